#include "common/Sector.h"

#include "common/Text.h"

namespace tessaro {

std::string_view LastChars(std::string_view s, std::size_t n) {
  std::size_t pos = s.size();
  while (n > 0 && pos > 0) {
    --pos;
    while (pos > 0 && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) --pos;
    --n;
  }
  return s.substr(pos);
}

bool IsShortRadiusName(std::string_view name) {
  if (LeadingNumber(LastChars(name, 1)) > 3) return true;
  if (LeadingNumber(LastChars(name, 4)) == 1800) return true;
  const std::string_view six = LastChars(name, 6);
  return six == "1800-1" || six == "1800-3" || six == "1800-2";
}

}  // namespace tessaro
