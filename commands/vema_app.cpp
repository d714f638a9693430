// The command module's application object and its command table: the twelve
// commands of MyGroup are registered at load and removed at unload.
#include "accmd.h"
#include "acrxEntryPoint.h"
#include "acui.h"
#include "rxregsvc.h"
#include "vema_commands.h"

namespace {

struct CommandEntry {
    const ACHAR* groupName;
    const ACHAR* globalName;
    const ACHAR* localName;
    Adesk::Int32 flags;
    AcRxFunctionPtr handler;
    AcEdUIContext* uiContext;
    unsigned localNameId;  // resource id of the local name; unused, the name is given
};

const unsigned kNoResource = unsigned(-1);

// Registration order is table order.
const CommandEntry kCommands[] = {
    // group     global name      local      flags                 handler                UI       local-name id
    {L"MyGroup", L"_Origin",      L"EORI",   ACRX_CMD_TRANSPARENT, createOrigin,          nullptr, kNoResource},
    {L"MyGroup", L"_CoPoint",     L"ECOP",   ACRX_CMD_TRANSPARENT, placePointLabel,       nullptr, kNoResource},
    {L"MyGroup", L"_CoLine",      L"ECOL",   ACRX_CMD_TRANSPARENT, placeLineLabel,        nullptr, kNoResource},
    {L"MyGroup", L"_CopOri",      L"COPORI", ACRX_CMD_TRANSPARENT, retargetPointLabels,   nullptr, kNoResource},
    {L"MyGroup", L"_ColOri",      L"COLORI", ACRX_CMD_TRANSPARENT, retargetLineLabels,    nullptr, kNoResource},
    {L"MyGroup", L"_CopSca",      L"COPSCA", ACRX_CMD_TRANSPARENT, rescalePointLabels,    nullptr, kNoResource},
    {L"MyGroup", L"_ColSca",      L"COLSCA", ACRX_CMD_TRANSPARENT, rescaleLineLabels,     nullptr, kNoResource},
    {L"MyGroup", L"_CopDec",      L"COPDEC", ACRX_CMD_TRANSPARENT, setPointLabelDecimals, nullptr, kNoResource},
    {L"MyGroup", L"_ColDec",      L"COLDEC", ACRX_CMD_TRANSPARENT, setLineLabelDecimals,  nullptr, kNoResource},
    {L"MyGroup", L"_ExplodeAll",  L"XALL",   ACRX_CMD_TRANSPARENT, explodeAll,            nullptr, kNoResource},
    {L"MyGroup", L"_CoList",      L"COLIST", ACRX_CMD_TRANSPARENT, listEntities,          nullptr, kNoResource},
    {L"MyGroup", L"_CoHelp",      L"COHELP", ACRX_CMD_TRANSPARENT, printHelp,             nullptr, kNoResource},
};

AcEdCommandStack* commandStack()
{
    AcRxObject* registered = acrxSysRegistry()->at(ACRX_COMMAND_DOCK);
    return registered ? AcEdCommandStack::cast(registered) : nullptr;
}

class CVEMAApp : public AcRxArxApp {
public:
    AcRx::AppRetCode On_kInitAppMsg(void* pkt) override
    {
        AcRx::AppRetCode result = AcRxArxApp::On_kInitAppMsg(pkt);
        for (const CommandEntry& entry : kCommands)
            addCommand(entry);
        return result;
    }

    AcRx::AppRetCode On_kUnloadAppMsg(void* pkt) override
    {
        for (const CommandEntry& entry : kCommands)
            if (AcEdCommandStack* stack = commandStack())
                stack->removeCmd(entry.groupName, entry.globalName);
        return AcRxArxApp::On_kUnloadAppMsg(pkt);
    }

    // The module offers no server components.
    void RegisterServerComponents() override {}

private:
    void addCommand(const CommandEntry& entry)
    {
        // Commands that run in the application context get no resource instance.
        HINSTANCE resources = (entry.flags & ACRX_CMD_SESSION) ? nullptr : m_hdllInstance;
        AcEdCommandStack* stack = commandStack();
        if (stack == nullptr)
            return;
        // A command the host refuses is simply not available; loading goes on.
        stack->addCommand(entry.groupName, entry.globalName, entry.localName, entry.flags, entry.handler,
                          entry.uiContext, -1, resources, nullptr);
    }
};

}  // namespace

IMPLEMENT_ARX_ENTRYPOINT(CVEMAApp)

namespace {

// Library attach. This platform has no module handle of the Windows kind, so the
// address of the application object stands for the module's instance; the host's UI
// library is made ready before any command can run.
struct LibraryAttach {
    LibraryAttach()
    {
        theApp.setRecordedInstance(static_cast<HINSTANCE>(&theApp));
        InitAcUiDLL();
    }
};
const LibraryAttach g_libraryAttach;

}  // namespace
