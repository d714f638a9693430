// Loads host modules the way the host does: dlopen, then the module's entry point
// with the initialisation message; unloading sends the unload message first.
#pragma once

#include <string>
#include <vector>

namespace vemcad {

class ModuleLoader {
public:
    explicit ModuleLoader(std::string moduleDir);
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    // name: "VEMD", "VEMA", a file name or a path. False with a message when it fails.
    bool load(const std::string& name, std::string& message);
    bool unload(const std::string& name, std::string& message);
    bool isLoaded(const std::string& name) const;
    void unloadAll();

private:
    struct Module {
        std::string name;
        std::string path;
        void* handle = nullptr;
    };
    std::string resolve(const std::string& name) const;
    static std::string baseName(const std::string& path);

    std::string m_dir;
    std::vector<Module> m_modules;
};

}  // namespace vemcad
