#pragma once
// The system's ANSI code page (CP_ACP) for the save-file text rules.
#include "data/save_file_text.h"

namespace dm {

class WindowsAnsiCodePage : public AnsiCodePage {
 public:
  std::u16string Decode(std::string_view bytes) const override;
  // Characters the code page lacks become its default character, not a look-alike.
  std::string Encode(std::u16string_view text) const override;
};

}  // namespace dm
