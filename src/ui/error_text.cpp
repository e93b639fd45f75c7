#include "ui/error_text.h"

namespace dm {

std::wstring ErrorReportText(std::wstring_view message) {
  std::wstring text(message);
  if (!text.empty() && text.back() > L'.') text += L'.';
  return text;
}

}  // namespace dm
