#include "app/window_description.h"

#include "app/actions.h"
#include "app/main_window.h"
#include "data/embedded_data.h"

#include <commctrl.h>

namespace {

const DWORD kButtonStyle =
    BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE | WS_TABSTOP | WS_CHILD | WS_CLIPSIBLINGS;

const ControlDescription kControls[] = {
    {"进度条1", ControlKind::ProgressBar, 0, 504, 536, 8, WS_CHILD | WS_CLIPSIBLINGS, "", true, 0,
     nullptr, nullptr},
    {"图片框1", ControlKind::PictureBox, -4, -2, 540, 506, WS_CHILD | WS_CLIPSIBLINGS, "", true, 0,
     nullptr, BackgroundPicture},
    {"按钮2", ControlKind::Button, 462, 516, 72, 32, kButtonStyle, "卸载", true, 0, UninstallAction,
     nullptr},
    {"按钮1", ControlKind::Button, 336, 516, 112, 32, kButtonStyle, "一键安装（修复）", true, 0,
     InstallAction, nullptr},
    {"ZIP压缩1", ControlKind::ZipUnit, 32, 400, 56, 48, WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER, "",
     false, 0, nullptr, nullptr},
};

} // namespace

const WindowDescription MainWindowDescription = {
    "Morvena 安装",
    50,
    50,
    540,
    589,
    WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
    OnWindowCreated,
    kControls,
    sizeof kControls / sizeof kControls[0],
};
