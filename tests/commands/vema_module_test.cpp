// The command module as the host sees it: its twelve commands registered at load and
// removed at unload, the entry point's answers, and the usage text of COHELP.
#include "accmd.h"
#include "command_fixture.h"

namespace {

struct CommandName {
    const wchar_t* local;
    const wchar_t* global;
};

const CommandName kCommands[] = {
    {L"EORI", L"_Origin"},   {L"ECOP", L"_CoPoint"},   {L"ECOL", L"_CoLine"},        {L"COPORI", L"_CopOri"},
    {L"COLORI", L"_ColOri"}, {L"COPSCA", L"_CopSca"},  {L"COLSCA", L"_ColSca"},      {L"COPDEC", L"_CopDec"},
    {L"COLDEC", L"_ColDec"}, {L"XALL", L"_ExplodeAll"}, {L"COLIST", L"_CoList"},     {L"COHELP", L"_CoHelp"},
};

AcEdCommandStack* commandStack() { return AcEdCommandStack::cast(acrxSysRegistry()->at(ACRX_COMMAND_DOCK)); }

using CommandModule = CommandTest;

TEST_F(CommandModule, RegistersTheTwelveCommandsOfMyGroupUnderBothNames)
{
    for (const CommandName& name : kCommands) {
        AcEdCommand* local = commandStack()->lookupLocalCmd(name.local);
        ASSERT_NE(local, nullptr) << vemhost::toUtf8(name.local);
        AcEdCommand* global = commandStack()->lookupGlobalCmd(name.global + 1);
        EXPECT_EQ(global, nullptr) << "the global name keeps its underscore";
        global = commandStack()->lookupGlobalCmd(name.global);
        EXPECT_EQ(global, local) << vemhost::toUtf8(name.global);
        EXPECT_STREQ(local->groupName(), L"MyGroup");
        EXPECT_EQ(local->commandFlags(), ACRX_CMD_TRANSPARENT);
        EXPECT_NE(local->commandApp(), nullptr) << "registered with the module's own resources";
    }
}

TEST_F(CommandModule, UnloadRemovesEveryCommandAndAReloadBringsThemBack)
{
    EXPECT_EQ(modules().vema(AcRx::kUnloadAppMsg, modules().vemaHandle), AcRx::kRetOK);
    for (const CommandName& name : kCommands) {
        EXPECT_FALSE(vemhost::isCommandRegistered(name.local)) << vemhost::toUtf8(name.local);
        EXPECT_EQ(commandStack()->lookupGlobalCmd(name.global), nullptr);
    }
    EXPECT_EQ(modules().vema(AcRx::kInitAppMsg, modules().vemaHandle), AcRx::kRetOK);
    for (const CommandName& name : kCommands)
        EXPECT_TRUE(vemhost::isCommandRegistered(name.local)) << vemhost::toUtf8(name.local);
}

TEST_F(CommandModule, MessagesOtherThanLoadAndUnloadChangeNothing)
{
    for (int msg : {0, 3, 4, 5, 9, 15, 16, 17, 18, 99})
        EXPECT_EQ(modules().vema(AcRx::AppMsgCode(msg), modules().vemaHandle), AcRx::kRetOK) << msg;
    for (const CommandName& name : kCommands)
        EXPECT_TRUE(vemhost::isCommandRegistered(name.local));
    auto apiVersion = reinterpret_cast<int (*)(int)>(dlsym(modules().vemaHandle, "acrxGetApiVersion"));
    ASSERT_NE(apiVersion, nullptr);
    EXPECT_EQ(apiVersion(0), 0x140000);
}

TEST_F(CommandModule, HelpPrintsTheEntityModulesLoadTextThenShowsTheMessageBox)
{
    ASSERT_FALSE(modules().vemdLoadText.empty());
    size_t before = modules().vemdLoadText.size();
    std::string printed = run(L"COHELP");
    const std::string box = "\n[按F2键打开AutoCAD文本窗口查看使用说明。]";
    ASSERT_GE(printed.size(), box.size());
    EXPECT_EQ(printed.substr(0, printed.size() - box.size()), modules().vemdLoadText);
    EXPECT_EQ(printed.substr(printed.size() - box.size()), box);
    ASSERT_EQ(vemhost::testing::messageBoxTexts().size(), 1u);
    EXPECT_EQ(vemhost::toUtf8(vemhost::testing::messageBoxTexts()[0]), "按F2键打开AutoCAD文本窗口查看使用说明。");
    EXPECT_EQ(modules().vemdLoadText.size(), before);

    // The text's frame: a leading line break, an empty line between each two of its
    // 37 lines, one line break at the end.
    std::wstring text = vemhost::fromUtf8(modules().vemdLoadText);
    EXPECT_EQ(text.front(), L'\n');
    EXPECT_EQ(text.substr(text.size() - 2), L"。\n");
    size_t breaks = 0;
    for (wchar_t c : text)
        breaks += c == L'\n';
    EXPECT_EQ(breaks, 1u + 36u * 2u + 1u);
    EXPECT_NE(text.find(L"14.技巧: \n\n   (1)"), std::wstring::npos);
    EXPECT_TRUE(modelSpace().empty()) << "help changes nothing in the drawing";
}

TEST_F(CommandModule, WithTheCommandsUnloadedTheEntityModuleStillDrawsCopiesAndExplodes)
{
    ASSERT_EQ(modules().vema(AcRx::kUnloadAppMsg, modules().vemaHandle), AcRx::kRetOK);
    EXPECT_FALSE(vemhost::runCommand(L"ECOP"));
    AcDbObjectId ids[] = {addOrigin(AcGePoint3d(0, 0, 0)), addPointLabel(AcGePoint3d(40, 30, 0)),
                          addLineLabel(AcGePoint3d(-40, 30, 0))};
    const int pieces[] = {6, 4, 1};
    for (int i = 0; i < 3; ++i) {
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(entity, ids[i], AcDb::kForRead), Acad::eOk);
        vemhost::PrimitiveCollector drawn;
        EXPECT_TRUE(drawn.draw(entity));
        EXPECT_FALSE(drawn.primitives().empty());
        AcRxObject* copy = entity->clone();
        EXPECT_NE(copy, nullptr);
        AcDbVoidPtrArray parts;
        EXPECT_EQ(static_cast<AcDbEntity*>(copy)->explode(parts), Acad::eOk);
        EXPECT_EQ(parts.length(), pieces[i]);
        for (int p = 0; p < parts.length(); ++p)
            delete static_cast<AcDbEntity*>(parts[p]);
        delete copy;
        entity->close();
    }
    EXPECT_EQ(modules().vema(AcRx::kInitAppMsg, modules().vemaHandle), AcRx::kRetOK);
}

}  // namespace
