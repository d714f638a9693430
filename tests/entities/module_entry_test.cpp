// The entity module as the host loads it: the usage text it prints, the three classes
// it registers and their class services, and their removal at unload.
#include "entity_test_support.h"
#include "dbents.h"
#include "eco_line.h"
#include "eco_point.h"
#include "eorigin.h"

using namespace entity_test;

namespace {

// The usage text, line by line, as the product's documentation gives it (UTF-8).
const char* const kUsageLines[] = {
    "AutoCAD平面坐标自动标注插件使用说明:",
    "1. 版本说明：本插件支持AutoCAD2008到AutoCAD2017的所有32/64位版本(其中AutoCAD2008只有32位版)，不支持2007及之前版本的AutoCAD。",
    "2. 安装方法：先将complex8.shx和hztxt99.shx拷入AutoCAD字体目录下，启动AutoCAD，",
    "   然后依次执行：命令APPLOAD(弹出对话框)->启动组“内容”->先加载VEMD32.dbx，后加载VEMA32.arx(64位系统应加载VEMD64.dbx和VEMA64.arx)，安装完毕。",
    "3. 建立坐标系: 命令eori,根据提示指定坐标系相对原点,再依次指定纵轴轴号/方向/坐标偏移、横轴轴号/方向/坐标偏移、图纸比例、外观缩放比例及精度并确认。",
    "4. 建立点坐标: 命令ecop,根据提示先拾取相对坐标系，再指定坐标点和文字标注起点，最后指定文字方向并确认。",
    "   说明: 最后一步“指定文字方向”可不执行，而是直接回车或空格确认，则标注文字方向取默认值(水平向右)。",
    "5. 建立线坐标: 命令ecol,根据提示先拾取相对坐标系，再输入与该直线垂直的坐标轴号，然后指定坐标点(直线上任意一点)，最后指定标注文字插入点并确认。",
    "   说明: 最后一步“指定标注文字插入点”可不执行，而是直接回车或空格确认，则标注文字插入点取默认值(与坐标点重合)。",
    "6. 批量修改点坐标的精度(小数位数): 命令copdec,输入新的小数位数，再框选需要修改的点坐标(多选)并确认。",
    "   说明: 点坐标的初始精度与之创建时所选取的坐标系精度一致。",
    "7. 批量修改线坐标的精度(小数位数): 命令coldec,输入新的小数位数，再框选需要修改的线坐标(多选)并确认。",
    "   说明: 线坐标的初始精度与之创建时所选取的坐标系精度一致。",
    "8. 批量修改点坐标的参照坐标系: 命令copori,点选一个新的相对坐标系，再框选需要修改的点坐标(多选)并确认。",
    "9. 批量修改线坐标的参照坐标系: 命令colori,点选一个新的相对坐标系，再框选需要修改的线坐标(多选)并确认。",
    "10.批量修改点坐标的外观缩放比例: 命令copsca,根据提示输入新的外观缩放比例，再框选需要修改的点坐标(多选)并确认。",
    "   说明: 点坐标的初始外观缩放比例与之创建时所选取的坐标系缩放比例一致。单个点坐标可直接用AutoCAD的scale命令进行外观缩放，",
    "   仅当需要对多个点坐标进行批量修改外观大小时才需要用copsca命令。",
    "11.批量修改线坐标的外观缩放比例: 命令colsca,根据提示输入新的外观缩放比例，再框选需要修改的线坐标(多选)并确认。",
    "   说明: 线坐标的初始外观缩放比例与之创建时所选取的坐标系缩放比例一致。单个线坐标可直接用AutoCAD的scale命令进行外观缩放，",
    "   仅当需要对多个线坐标进行批量修改外观大小时才需要用colsca命令。",
    "12.查看属性: 命令colist，根据提示框选若干对象并确认,程序将列出所框选的坐标系/点坐标/线坐标的属性信息(忽略其他无关图元)，按F2键查看。",
    "13.电子版交付: 图纸拷给其他人(电脑上未装本插件)之前，建议执行命令xall，图中的所有点坐标、线坐标和坐标系将全部自动炸开成一般的CAD图元。",
    "   您也可将VEMD32.dbx(或VEMD64.dbx)文件发送给图纸接收方，只要接收方在装有AutoCAD的电脑上加载该dbx文件，就可以正常查看您用本插件",
    "   所绘制的图纸。",
    "14.技巧: ",
    "   (1)坐标系确定后，只需建立一个点坐标(ecop命令)、一个纵向线坐标和一个横向线坐标(ecol命令)，然后就可以用复制操作",
    "   来进行批量快速标注，本插件的意义就在于此。",
    "   (2)可通过对坐标系的旋转来建立任意角度的坐标系。",
    "   (3)对坐标系进行放大/缩小时不会改变其内含的图纸比例，当需要修改坐标系内含的图纸比例时，只能通过eori命令另外新建一个。",
    "   (4)线坐标的文字方向始终与一条坐标轴平行，即使用rotate命令对其旋转也不会发生变化。",
    "   (5)本插件使用相对坐标系，用eori命令建立的坐标系，其原点为“相对原点”(坐标值不必一定是(0,0)，而是可以设定为任何值)。",
    "   对坐标系进行移动或旋转时，“相对原点”的坐标也将发生变化，但不会改变“绝对原点”(即坐标为(0,0)的点)的位置。",
    "15.常见问题: ",
    "   (1)如果用EORI命令建立的坐标系只有箭头而没有文字，请确认是否已将complex8.shx和hztxt99.shx拷入AutoCAD字体目录下，",
    "   您也可通过修改文字样式vem_text的字形文件设置来解决。",
    "16.查看使用帮助: 命令cohelp。",
};

std::string expectedUsageText()
{
    std::string text = "\n";
    for (size_t i = 0; i < sizeof kUsageLines / sizeof kUsageLines[0]; ++i) {
        if (i > 0)
            text += "\n\n";
        text += kUsageLines[i];
    }
    return text + "\n";
}

const wchar_t* const kApplication =
    L"VEMDAPP |Product Desc: A description for your object |Company: Your company name |WEB Address: Your "
    L"company WEB site address";

// name, DXF name and class services of each registered class
struct ClassRow {
    const wchar_t* name;
    const wchar_t* dxfName;
    AcRxClass* (*desc)();
};
const ClassRow kClasses[] = {
    {L"ECoLine",  L"ECOLINE",  &ECoLine::desc},
    {L"ECoPoint", L"ECOPOINT", &ECoPoint::desc},
    {L"EOrigin",  L"EORIGIN",  &EOrigin::desc},
};

void unloadModule()
{
    EXPECT_EQ(acrxEntryPoint(AcRx::kUnloadAppMsg, appId()), AcRx::kRetOK);
}

std::string reload()
{
    unloadModule();
    vemhost::startCapture();
    EXPECT_EQ(acrxEntryPoint(AcRx::kInitAppMsg, appId()), AcRx::kRetOK);
    std::string printed = vemhost::takeCaptured();
    vemhost::stopCapture();
    return printed;
}

}  // namespace

class ModuleEntry : public EntityTest {};

TEST_F(ModuleEntry, LoadPrintsTheUsageTextByteForByte)
{
    const std::string printed = reload();
    EXPECT_EQ(printed, expectedUsageText());
    EXPECT_EQ(sizeof kUsageLines / sizeof kUsageLines[0], 37u);
    // The two lines that end with a blank keep it, right before the empty line.
    EXPECT_NE(printed.find("\n14.技巧: \n\n"), std::string::npos);
    EXPECT_NE(printed.find("\n15.常见问题: \n\n"), std::string::npos);
}

TEST_F(ModuleEntry, RegistersTheThreeClassesUnderAcDbEntity)
{
    for (const ClassRow& row : kClasses) {
        AcRxClass* cls = row.desc();
        ASSERT_NE(cls, nullptr) << vemhost::toUtf8(row.name);
        EXPECT_EQ(cls, acrxClassDictionary->at(row.name));
        EXPECT_STREQ(cls->name(), row.name);
        EXPECT_STREQ(cls->dxfName(), row.dxfName);
        EXPECT_STREQ(cls->appName(), kApplication);
        EXPECT_EQ(cls->myParent(), AcDbEntity::desc());
        EXPECT_EQ(cls->proxyFlags(), 0);
        int dwgVersion = 0, maintenanceVersion = 0;
        cls->getClassVersion(dwgVersion, maintenanceVersion);
        EXPECT_EQ(dwgVersion, 31);
        EXPECT_EQ(maintenanceVersion, 105);
    }
    EXPECT_EQ(EOrigin::kCurrentVersionNumber, 1u);
    EXPECT_EQ(ECoPoint::kCurrentVersionNumber, 1u);
    EXPECT_EQ(ECoLine::kCurrentVersionNumber, 1u);
}

TEST_F(ModuleEntry, CreationFunctionsMakeEmptyEntitiesOfTheirClass)
{
    for (const ClassRow& row : kClasses) {
        AcRxObject* made = row.desc()->create();
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->isA(), row.desc());
        delete made;
    }
    EOrigin* origin = EOrigin::cast(EOrigin::desc()->create());
    ASSERT_NE(origin, nullptr);
    EXPECT_EQ(origin->m_subEnts.length(), 0);
    EXPECT_TRUE(drawn(origin).empty());
    delete origin;
}

TEST_F(ModuleEntry, SecondRxInitChangesNothing)
{
    AcRxClass* before = ECoPoint::desc();
    const Adesk::UInt32 entries = acrxClassDictionary->numEntries();
    ECoPoint::rxInit();
    EOrigin::rxInit();
    ECoLine::rxInit(nullptr);
    EXPECT_EQ(ECoPoint::desc(), before);
    EXPECT_EQ(acrxClassDictionary->at(L"ECoPoint"), before);
    EXPECT_EQ(acrxClassDictionary->numEntries(), entries);
}

TEST_F(ModuleEntry, CastAcceptsOnlyInstancesOfTheClass)
{
    EXPECT_EQ(EOrigin::cast(nullptr), nullptr);
    ECoLine* line = new ECoLine();
    AcDbLine* other = new AcDbLine();
    EXPECT_EQ(ECoLine::cast(line), line);
    EXPECT_EQ(ECoPoint::cast(line), nullptr);
    EXPECT_EQ(ECoLine::cast(other), nullptr);
    EXPECT_EQ(AcDbEntity::cast(line), line);
    EXPECT_TRUE(line->isKindOf(AcDbEntity::desc()));
    delete line;
    delete other;
}

TEST_F(ModuleEntry, CodesFromSixteenUpAndUnhandledMessagesAnswerOk)
{
    for (int code : {0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 100, -1})
        EXPECT_EQ(acrxEntryPoint(AcRx::AppMsgCode(code), appId()), AcRx::kRetOK) << code;
    EXPECT_TRUE(classRegistered(L"EOrigin"));
}

TEST_F(ModuleEntry, ApiVersionIsTwentyZero) { EXPECT_EQ(acrxGetApiVersion(0), 0x140000); }

TEST_F(ModuleEntry, UnloadRemovesTheClassesAndReloadRegistersThemAgain)
{
    unloadModule();
    for (const ClassRow& row : kClasses) {
        EXPECT_FALSE(classRegistered(row.name)) << vemhost::toUtf8(row.name);
        EXPECT_EQ(row.desc(), nullptr) << "a class looked up after unload is not registered";
    }
    ECoLine* orphan = new ECoLine();
    EXPECT_EQ(orphan->isA(), nullptr);
    delete orphan;
    EXPECT_FALSE(loadModule().empty());
    for (const ClassRow& row : kClasses) {
        ASSERT_NE(row.desc(), nullptr);
        EXPECT_EQ(row.desc(), acrxClassDictionary->at(row.name));
        EXPECT_EQ(row.desc()->myParent(), AcDbEntity::desc());
    }
}
