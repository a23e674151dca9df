// The Windows program's entry point: the main window with the control panel inside, the
// audio device, and the message loop.
#include <windows.h>
// clang-format off
#include <commctrl.h>
// clang-format on

#include "engine/output_device.h"
#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "ui/win32/control_panel.h"
#include "ui/win32/main_window.h"
#include "ui/win32/window_text.h"

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 300;

void registerMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = 0;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ids::kIcon));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    // A system colour index plus one stands for that colour's brush.
    windowClass.hbrBackground =
        reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);  // NOLINT(performance-no-int-to-ptr)
    windowClass.lpszMenuName = MAKEINTRESOURCEA(ids::kMainMenu);
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassExA(&windowClass);
}

// The device lives as long as the process. A failure is told once; a device that found no
// output yet comes with the error and keeps trying, so that sound starts once there is some.
void openAudio(HWND window) {
    OpenResult opened = openOutputDevice();
    if (!opened.error.empty()) {
        showMessage(window, opened.error);
    }
    if (opened.device) {
        SignalPlayer::instance.setDevice(opened.device.release());
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int show) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);

    registerMainWindowClass(instance);
    HWND window = CreateWindowExA(0, kMainWindowClass, "Vellumtone Generator 0.9",
                                  WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX,
                                  GetSystemMetrics(SM_CXSCREEN) / 2 - kWidth / 2,
                                  GetSystemMetrics(SM_CYSCREEN) / 2 - kHeight / 2, kWidth, kHeight,
                                  nullptr, nullptr, instance, nullptr);
    HWND panel = createControlPanel(instance, window);
    setMainPanel(panel);
    SetWindowPos(panel, window, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    ShowWindow(window, show);
    UpdateWindow(window);
    setUpVolumeSlider(panel);
    openAudio(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(panel, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
