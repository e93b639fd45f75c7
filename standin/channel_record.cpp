#include "standin/channel_record.h"

#include "standin/text.h"
#include "ui/error.h"

namespace dm::standin {

std::string EncodeRecord(const Record& record) {
  std::string line;
  for (std::size_t i = 0; i < record.size(); ++i) {
    if (i > 0) line += '\t';
    for (char c : ToUtf8(record[i])) {
      switch (c) {
        case '\\': line += "\\\\"; break;
        case '\t': line += "\\t"; break;
        case '\r': line += "\\r"; break;
        case '\n': line += "\\n"; break;
        default: line += c; break;
      }
    }
  }
  line += '\n';
  return line;
}

Record DecodeRecord(std::string_view line) {
  Record record;
  std::string field;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\t') {
      record.push_back(FromUtf8(field));
      field.clear();
    } else if (c == '\\') {
      const char next = i + 1 < line.size() ? line[i + 1] : '\0';
      switch (next) {
        case '\\': field += '\\'; break;
        case 't': field += '\t'; break;
        case 'r': field += '\r'; break;
        case 'n': field += '\n'; break;
        default: throw Error(L"Channel record with a bad escape.");
      }
      ++i;
    } else {
      field += c;
    }
  }
  record.push_back(FromUtf8(field));
  return record;
}

void LineSplitter::Append(std::string_view bytes) {
  pending_.append(bytes);
  if (pending_.find('\n', scanned_) == std::string::npos && pending_.size() > kMaxLine)
    throw Error(L"Channel line too long.");
}

std::optional<std::string> LineSplitter::Next() {
  const std::size_t end = pending_.find('\n', scanned_);
  if (end == std::string::npos) {
    scanned_ = pending_.size();
    return std::nullopt;
  }
  std::string line = pending_.substr(0, end);
  pending_.erase(0, end + 1);
  scanned_ = 0;
  return line;
}

std::wstring NumberField(long long value) { return std::to_wstring(value); }

long long ParseNumberField(std::wstring_view field) {
  std::size_t i = 0;
  const bool negative = !field.empty() && field[0] == L'-';
  if (negative) ++i;
  if (i == field.size() || field.size() - i > 19) throw Error(L"Channel field is not a number.");
  unsigned long long value = 0;
  for (; i < field.size(); ++i) {
    if (field[i] < L'0' || field[i] > L'9') throw Error(L"Channel field is not a number.");
    value = value * 10 + static_cast<unsigned>(field[i] - L'0');
  }
  if (value > static_cast<unsigned long long>(9223372036854775807LL) + (negative ? 1 : 0))
    throw Error(L"Channel field is not a number.");
  return negative ? static_cast<long long>(0 - value) : static_cast<long long>(value);
}

}  // namespace dm::standin
