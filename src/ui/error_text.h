#pragma once
#include <string>
#include <string_view>

namespace dm {

// The text of the standard error report: the error's message with a full stop appended when its last
// character sorts after "." ("Disk full" and "Why?" get one; "Disk full." and "Oops!" do not).
std::wstring ErrorReportText(std::wstring_view message);

}  // namespace dm
