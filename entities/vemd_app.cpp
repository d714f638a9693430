// Module entry of the entity module: the application object that registers the
// coordinate system and label classes with the host at load, removes them at unload,
// and prints the usage text when the host loads the module.
#include <dlfcn.h>

#include "AcString.h"
#include "acrxEntryPoint.h"
#include "acutads.h"
#include "eco_line.h"
#include "eco_point.h"
#include "eorigin.h"

namespace {

// The usage text, one line per entry; it is printed with an empty line between each
// two lines, after a leading line break and before a final one.
const ACHAR* const kUsageLines[] = {
    L"AutoCAD平面坐标自动标注插件使用说明:",
    L"1. 版本说明：本插件支持AutoCAD2008到AutoCAD2017的所有32/64位版本(其中AutoCAD2008只有32位版)，不支持2007及之前版本的AutoCAD。",
    L"2. 安装方法：先将complex8.shx和hztxt99.shx拷入AutoCAD字体目录下，启动AutoCAD，",
    L"   然后依次执行：命令APPLOAD(弹出对话框)->启动组“内容”->先加载VEMD32.dbx，后加载VEMA32.arx(64位系统应加载VEMD64.dbx和VEMA64.arx)，安装完毕。",
    L"3. 建立坐标系: 命令eori,根据提示指定坐标系相对原点,再依次指定纵轴轴号/方向/坐标偏移、横轴轴号/方向/坐标偏移、图纸比例、外观缩放比例及精度并确认。",
    L"4. 建立点坐标: 命令ecop,根据提示先拾取相对坐标系，再指定坐标点和文字标注起点，最后指定文字方向并确认。",
    L"   说明: 最后一步“指定文字方向”可不执行，而是直接回车或空格确认，则标注文字方向取默认值(水平向右)。",
    L"5. 建立线坐标: 命令ecol,根据提示先拾取相对坐标系，再输入与该直线垂直的坐标轴号，然后指定坐标点(直线上任意一点)，最后指定标注文字插入点并确认。",
    L"   说明: 最后一步“指定标注文字插入点”可不执行，而是直接回车或空格确认，则标注文字插入点取默认值(与坐标点重合)。",
    L"6. 批量修改点坐标的精度(小数位数): 命令copdec,输入新的小数位数，再框选需要修改的点坐标(多选)并确认。",
    L"   说明: 点坐标的初始精度与之创建时所选取的坐标系精度一致。",
    L"7. 批量修改线坐标的精度(小数位数): 命令coldec,输入新的小数位数，再框选需要修改的线坐标(多选)并确认。",
    L"   说明: 线坐标的初始精度与之创建时所选取的坐标系精度一致。",
    L"8. 批量修改点坐标的参照坐标系: 命令copori,点选一个新的相对坐标系，再框选需要修改的点坐标(多选)并确认。",
    L"9. 批量修改线坐标的参照坐标系: 命令colori,点选一个新的相对坐标系，再框选需要修改的线坐标(多选)并确认。",
    L"10.批量修改点坐标的外观缩放比例: 命令copsca,根据提示输入新的外观缩放比例，再框选需要修改的点坐标(多选)并确认。",
    L"   说明: 点坐标的初始外观缩放比例与之创建时所选取的坐标系缩放比例一致。单个点坐标可直接用AutoCAD的scale命令进行外观缩放，",
    L"   仅当需要对多个点坐标进行批量修改外观大小时才需要用copsca命令。",
    L"11.批量修改线坐标的外观缩放比例: 命令colsca,根据提示输入新的外观缩放比例，再框选需要修改的线坐标(多选)并确认。",
    L"   说明: 线坐标的初始外观缩放比例与之创建时所选取的坐标系缩放比例一致。单个线坐标可直接用AutoCAD的scale命令进行外观缩放，",
    L"   仅当需要对多个线坐标进行批量修改外观大小时才需要用colsca命令。",
    L"12.查看属性: 命令colist，根据提示框选若干对象并确认,程序将列出所框选的坐标系/点坐标/线坐标的属性信息(忽略其他无关图元)，按F2键查看。",
    L"13.电子版交付: 图纸拷给其他人(电脑上未装本插件)之前，建议执行命令xall，图中的所有点坐标、线坐标和坐标系将全部自动炸开成一般的CAD图元。",
    L"   您也可将VEMD32.dbx(或VEMD64.dbx)文件发送给图纸接收方，只要接收方在装有AutoCAD的电脑上加载该dbx文件，就可以正常查看您用本插件",
    L"   所绘制的图纸。",
    L"14.技巧: ",
    L"   (1)坐标系确定后，只需建立一个点坐标(ecop命令)、一个纵向线坐标和一个横向线坐标(ecol命令)，然后就可以用复制操作",
    L"   来进行批量快速标注，本插件的意义就在于此。",
    L"   (2)可通过对坐标系的旋转来建立任意角度的坐标系。",
    L"   (3)对坐标系进行放大/缩小时不会改变其内含的图纸比例，当需要修改坐标系内含的图纸比例时，只能通过eori命令另外新建一个。",
    L"   (4)线坐标的文字方向始终与一条坐标轴平行，即使用rotate命令对其旋转也不会发生变化。",
    L"   (5)本插件使用相对坐标系，用eori命令建立的坐标系，其原点为“相对原点”(坐标值不必一定是(0,0)，而是可以设定为任何值)。",
    L"   对坐标系进行移动或旋转时，“相对原点”的坐标也将发生变化，但不会改变“绝对原点”(即坐标为(0,0)的点)的位置。",
    L"15.常见问题: ",
    L"   (1)如果用EORI命令建立的坐标系只有箭头而没有文字，请确认是否已将complex8.shx和hztxt99.shx拷入AutoCAD字体目录下，",
    L"   您也可通过修改文字样式vem_text的字形文件设置来解决。",
    L"16.查看使用帮助: 命令cohelp。",
};

AcString usageText()
{
    AcString text(L"\n");
    for (size_t i = 0; i < sizeof kUsageLines / sizeof kUsageLines[0]; ++i) {
        if (i > 0)
            text += L"\n\n";
        text += kUsageLines[i];
    }
    text += L'\n';
    return text;
}

// One entity class of the module, as registration and unregistration walk them.
struct ClassEntry {
    AcRxClass* (*desc)();
    void (*rxInit)();
    AcRxClass** descSlot;  // the class's cached descriptor, cleared when it is deleted
    bool registered;
};

// desc               rxInit              cached descriptor     registered
ClassEntry g_classTable[] = {
    {&ECoLine::desc,  &ECoLine::rxInit,   &ECoLine::gpDesc,     false},
    {&ECoPoint::desc, &ECoPoint::rxInit,  &ECoPoint::gpDesc,    false},
    {&EOrigin::desc,  &EOrigin::rxInit,   &EOrigin::gpDesc,     false},
};

int registerClasses()
{
    int count = 0;
    for (ClassEntry& entry : g_classTable) {
        entry.rxInit();
        entry.registered = true;
        ++count;
    }
    return count;
}

// Classes derived from this entry's class go first. The descriptor is deleted by the
// host, so the class's cached pointer to it is cleared as well: a later desc() then
// looks the class up again instead of reaching a deleted object.
void unregisterClass(ClassEntry& entry)
{
    AcRxClass* cls = entry.desc();
    for (ClassEntry& other : g_classTable)
        if (&other != &entry && other.registered && other.desc() != nullptr && other.desc()->myParent() == cls)
            unregisterClass(other);
    deleteAcRxClass(cls);
    *entry.descSlot = nullptr;
    entry.registered = false;
}

void unregisterClasses()
{
    for (ClassEntry& entry : g_classTable)
        if (entry.registered)
            unregisterClass(entry);
}

// The module's load address plays the part of the instance handle that the host
// hands a library when it attaches it.
HINSTANCE moduleInstance()
{
    Dl_info info{};
    return dladdr(reinterpret_cast<void*>(&moduleInstance), &info) != 0 ? info.dli_fbase : nullptr;
}

}  // namespace

class CVEMDApp : public AcRxDbxApp {
public:
    CVEMDApp() { setRecordedInstance(moduleInstance()); }

    AcRx::AppRetCode On_kInitAppMsg(void* pkt) override
    {
        AcRx::AppRetCode result = AcRxDbxApp::On_kInitAppMsg(pkt);
        if (registerClasses() > 0)
            acrxBuildClassHierarchy();
        acutPrintf(L"%s", usageText().kwszPtr());
        return result;
    }

    AcRx::AppRetCode On_kUnloadAppMsg(void* pkt) override
    {
        AcRx::AppRetCode result = AcRxDbxApp::On_kUnloadAppMsg(pkt);
        unregisterClasses();
        return result;
    }

    void RegisterServerComponents() override {}
};

IMPLEMENT_ARX_ENTRYPOINT(CVEMDApp)
