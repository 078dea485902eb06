// A flat progress bar with a centred text (the percentage), answering the
// progress-bar messages itself (progress_model.h), with a bouncing marquee.
// It subclasses a dialog's msctls_progress32 control; owners drive it with
// PBM_* messages through SendMessageW exactly like a standard progress bar.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

#include "updater/ui/progress_model.h"
#include "updater/ui/win32/gdi_objects_win32.h"
#include "winui/subclassed_control.h"

namespace zefo::win32 {

class CTextProgressCtrl : public winui::SubclassedControl, private ProgressHost {
 public:
  CTextProgressCtrl();
  ~CTextProgressCtrl() override;

  // Tahoma of that height (passed unchanged as the font height) and weight.
  void SetTextFont(int height, int weight);
  // The text drawn over the bar; the owner invalidates the control. May be
  // called from another thread than the control's.
  void SetProgressText(const std::wstring& text);

  // The text is drawn only when set; the owner sets it directly.
  std::atomic<bool> showText{false};

 private:
  void OnSubclassed() override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnWindowGone() override;
  void Paint(HDC target);

  // ProgressHost
  void RedrawNow() override;
  bool MarqueeStyle() const override;
  void SetMarqueeStyle(bool on) override;
  void StartTimer(unsigned periodMs) override;
  void StopTimer() override;
  std::uint32_t SystemColour(int index) const override;

  ProgressModel model_;
  Font textFont_;
  mutable std::mutex textMutex_;
  std::wstring text_;
};

}  // namespace zefo::win32
