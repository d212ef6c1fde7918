#pragma once
// The start-up window: the line editor, the script list (which is the script),
// run control, save/load and the tray button. It is the runner's view and the
// editor's script list; worker threads reach its controls through the window
// system (cross-thread messages), never directly.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/main_window_controls.h"
#include "app/tray_icon_win.h"
#include "script/input_actions.h"
#include "script/messages.h"
#include "script/runner.h"
#include "script/script_lines.h"

namespace qelvo {

struct MainWindowServices {
  InputActions& input;
  MessageSink& messages;
  // The last step of every way out; the window has released a held key and
  // removed its tray icon before. The program ends the process here.
  std::function<void()> endProgram;
  // The start-up sequence's steps that reach outside the window: the hotkeys,
  // the skin and the notices. Tests of the window alone leave them out.
  bool fullStartup = true;
  NotifyIconCall notifyIcon = Shell_NotifyIconW;
};

class MainWindow final : public RunnerView, public ScriptList {
 public:
  explicit MainWindow(MainWindowServices services);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window with its controls, centred, not yet shown; runs the
  // start-up sequence. Returns null on failure.
  HWND create(HINSTANCE instance);
  HWND hwnd() const { return hwnd_; }
  HWND control(Control id) const;
  ScriptRunner& runner() { return runner_; }
  TrayIcon* tray() { return tray_.get(); }

  // The Home key's work, on its worker thread.
  void capturePosition();
  POINT capturedPosition() const { return {capturedX_.load(), capturedY_.load()}; }

  // RunnerView
  int rowCount() override;
  std::string rowText(int row) override;
  std::string repeatText() override;
  bool runButtonVisible() override;
  void setVisible(RunControl control, bool visible) override;
  void setEnabled(RunControl control, bool enabled) override;

  // ScriptList
  int rowCount() const override;
  std::string rowText(int row) const override;
  int selectedRow() const override;
  void insertRow(int index, std::string_view text) override;
  void removeRow(int index) override;
  void removeAllRows() override;

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void onCreate();
  void createControls();
  void runStartupSequence();
  void onCommand(int id);
  void endProgram();

  std::string controlText(Control id) const;
  std::string selectedItemText(Control id) const;
  HWND runControl(RunControl control) const;

  MainWindowServices services_;
  ScriptRunner runner_;
  HWND hwnd_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  HFONT font_ = nullptr;
  std::unique_ptr<TrayIcon> tray_;
  std::atomic<int32_t> capturedX_{0};
  std::atomic<int32_t> capturedY_{0};
  std::atomic<bool> ending_{false};
};

// The window the hotkey callbacks act on (one per process).
MainWindow* hotkeyWindow();

}  // namespace qelvo
