// Module loading by dlopen and the host's application messages.
#include "module_loader.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "dbapserv.h"
#include "rxdefs.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {
typedef AcRx::AppRetCode (*EntryPoint)(AcRx::AppMsgCode, void*);

std::string upper(std::string s)
{
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool fileExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
}  // namespace

ModuleLoader::ModuleLoader(std::string moduleDir) : m_dir(std::move(moduleDir)) {}

ModuleLoader::~ModuleLoader() { unloadAll(); }

std::string ModuleLoader::baseName(const std::string& path)
{
    std::string base = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    if (base.compare(0, 3, "lib") == 0)
        base.erase(0, 3);
    size_t dot = base.find('.');
    if (dot != std::string::npos)
        base.erase(dot);
    return upper(base);
}

// "VEMD" and the host's own file names (VEMD64.dbx, VEMA64.arx, ...) name the modules
// beside the program; anything else is a path.
std::string ModuleLoader::resolve(const std::string& name) const
{
    if (name.find('/') != std::string::npos)
        return name;
    std::string base = baseName(name);
    if (base.size() > 2 && (base.compare(base.size() - 2, 2, "64") == 0 || base.compare(base.size() - 2, 2, "32") == 0))
        base.erase(base.size() - 2);
    return m_dir + "/lib" + base + ".so";
}

bool ModuleLoader::isLoaded(const std::string& name) const
{
    std::string key = baseName(resolve(name));
    return std::any_of(m_modules.begin(), m_modules.end(), [&](const Module& m) { return m.name == key; });
}

bool ModuleLoader::load(const std::string& name, std::string& message)
{
    std::string path = resolve(name);
    std::string key = baseName(path);
    if (isLoaded(name)) {
        message = key + " is already loaded.";
        return false;
    }
    if (!fileExists(path)) {
        message = "Unable to load " + name + ": file not found.";
        return false;
    }
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* err = ::dlerror();
        message = "Unable to load " + name + ": " + (err ? err : "unknown error");
        return false;
    }
    EntryPoint entry = reinterpret_cast<EntryPoint>(::dlsym(handle, "acrxEntryPoint"));
    if (entry == nullptr) {
        ::dlclose(handle);
        message = "Unable to load " + name + ": it has no acrxEntryPoint.";
        return false;
    }
    m_modules.push_back(Module{key, path, handle});
    if (entry(AcRx::kInitAppMsg, handle) != AcRx::kRetOK) {
        entry(AcRx::kUnloadAppMsg, handle);
        m_modules.pop_back();
        ::dlclose(handle);
        message = key + " refused to load.";
        return false;
    }
    message = key + " loaded.";
    return true;
}

namespace {

// The objects of the working drawing whose class's code is the module's (found by
// where their virtual table lies), erased ones included: undo may bring them back.
std::size_t objectsOfModule(void* codeOfModule)
{
    Dl_info module;
    if (codeOfModule == nullptr || ::dladdr(codeOfModule, &module) == 0)
        return 0;
    return vemhost::countObjects(acdbHostApplicationServices()->workingDatabase(), [&](const AcDbObject* object) {
        Dl_info info;
        const void* vtable = *reinterpret_cast<void* const*>(object);
        return ::dladdr(vtable, &info) != 0 && info.dli_fbase == module.dli_fbase;
    });
}

}  // namespace

bool ModuleLoader::unload(const std::string& name, std::string& message)
{
    std::string key = baseName(resolve(name));
    auto it = std::find_if(m_modules.begin(), m_modules.end(), [&](const Module& m) { return m.name == key; });
    if (it == m_modules.end()) {
        message = key + " is not loaded.";
        return false;
    }
    // A module that another loaded module links against stays until that one goes.
    if (key == "VEMD" && isLoaded("VEMA")) {
        message = "VEMD is used by VEMA: unload VEMA first.";
        return false;
    }
    EntryPoint entry = reinterpret_cast<EntryPoint>(::dlsym(it->handle, "acrxEntryPoint"));
    const std::size_t alive = objectsOfModule(reinterpret_cast<void*>(entry));
    if (alive > 0) {
        // Its classes would go and the drawing could no longer be saved, listed or
        // plotted: the module stays while the drawing holds objects of its classes.
        message = key + " cannot be unloaded: the drawing holds " + std::to_string(alive) +
                  (alive == 1 ? " object" : " objects") + " of its classes.";
        return false;
    }
    if (entry != nullptr)
        entry(AcRx::kUnloadAppMsg, it->handle);
    // The code stays mapped: objects of the module's classes may still be alive in an
    // open drawing, and their code must not vanish under them.
    m_modules.erase(it);
    message = key + " unloaded.";
    return true;
}

void ModuleLoader::unloadAll()
{
    while (!m_modules.empty()) {
        Module m = m_modules.back();
        EntryPoint entry = reinterpret_cast<EntryPoint>(::dlsym(m.handle, "acrxEntryPoint"));
        if (entry != nullptr)
            entry(AcRx::kUnloadAppMsg, m.handle);
        m_modules.pop_back();
    }
}

}  // namespace vemcad
