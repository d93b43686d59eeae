#pragma once
// Builds FITS files byte by byte for the reader tests.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace orvek::test {

inline std::string FitsCard(const std::string& text) {
  std::string c = text;
  c.resize(80, ' ');
  return c;
}

/// "KEYWORD =" followed by the value right-aligned to column 30.
inline std::string FitsValueCard(const std::string& key, const std::string& value) {
  std::string c = key;
  c.resize(8, ' ');
  c += "=";
  if (value.size() < 21) c += std::string(21 - value.size(), ' ');
  c += value;
  return FitsCard(c);
}

struct FitsBuilder {
  std::vector<std::string> cards;
  std::vector<uint8_t> data;

  FitsBuilder& Card(const std::string& key, const std::string& value) {
    cards.push_back(FitsValueCard(key, value));
    return *this;
  }
  FitsBuilder& Raw(const std::string& text) {
    cards.push_back(FitsCard(text));
    return *this;
  }
  FitsBuilder& Image(int bitpix, int w, int h) {
    Card("SIMPLE", "T").Card("BITPIX", std::to_string(bitpix)).Card("NAXIS", "2");
    Card("NAXIS1", std::to_string(w)).Card("NAXIS2", std::to_string(h));
    return *this;
  }
  FitsBuilder& I16(int v) {
    data.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    data.push_back(static_cast<uint8_t>(v & 0xFF));
    return *this;
  }
  FitsBuilder& I32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int s = 24; s >= 0; s -= 8) data.push_back(static_cast<uint8_t>(u >> s));
    return *this;
  }
  FitsBuilder& F32(float f) {
    uint32_t u = 0;
    std::memcpy(&u, &f, 4);
    for (int s = 24; s >= 0; s -= 8) data.push_back(static_cast<uint8_t>(u >> s));
    return *this;
  }
  FitsBuilder& F64(double d) {
    uint64_t u = 0;
    std::memcpy(&u, &d, 8);
    for (int s = 56; s >= 0; s -= 8) data.push_back(static_cast<uint8_t>(u >> s));
    return *this;
  }
  /// The file: cards, END, blanks to the end of the header block, data padded to 2880.
  std::vector<uint8_t> Bytes(bool withEnd = true, bool padData = true) const {
    std::string header;
    for (const auto& c : cards) header += c;
    if (withEnd) header += FitsCard("END");
    header.resize((header.size() + 2879) / 2880 * 2880, ' ');
    std::vector<uint8_t> out(header.begin(), header.end());
    out.insert(out.end(), data.begin(), data.end());
    if (padData) out.resize((out.size() + 2879) / 2880 * 2880, 0);
    return out;
  }
};

}  // namespace orvek::test
