// Message boxes: recorded and answered from the test's script, never shown.
#include <deque>

#include "core/internal.h"
#include "winsim/machine.h"

namespace winsim::detail {
namespace {

struct Ui {
  std::vector<MessageBoxRecord> shown;
  std::deque<int> answers;
};
Ui& TheUi() {
  static Ui ui;
  return ui;
}

// What a person who just dismisses the box gets: OK where there is one, else the
// negative answer.
int DefaultAnswer(UINT style) {
  switch (style & 0xF) {
    case MB_OK:
    case MB_OKCANCEL:
      return IDOK;
    case MB_YESNO:
      return IDNO;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return IDCANCEL;
  }
}

}  // namespace

void ResetUi() {
  TheUi().shown.clear();
  TheUi().answers.clear();
}

}  // namespace winsim::detail

extern "C" int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  auto& ui = winsim::detail::TheUi();
  int answer = winsim::detail::DefaultAnswer(uType);
  if (!ui.answers.empty()) {
    answer = ui.answers.front();
    ui.answers.pop_front();
  }
  ui.shown.push_back({lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType, hWnd, answer});
  return answer;
}

namespace winsim {

void AnswerNextMessageBoxes(const std::vector<int>& answers) {
  auto& ui = detail::TheUi();
  ui.answers.insert(ui.answers.end(), answers.begin(), answers.end());
}

const std::vector<MessageBoxRecord>& MessageBoxes() { return detail::TheUi().shown; }

}  // namespace winsim
