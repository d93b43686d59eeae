#include "series/FrameSum.h"

#include <algorithm>

#include "core/ExtendedCodec.h"

namespace orvek {

FrameSum::FrameSum(int32_t width, int32_t height, const FitsOptions& fits)
    : m_width(width),
      m_height(height),
      m_fits(fits),
      m_rows(static_cast<size_t>(width) * static_cast<size_t>(height), 0) {}

size_t FrameSum::RowIndex(int32_t x, int32_t y) const {
  const int32_t c = m_fits.swapHoriz ? m_width - 1 - x : x;
  const int32_t r = m_fits.swapVert ? m_height - 1 - y : y;
  return static_cast<size_t>(r) * static_cast<size_t>(m_width) + static_cast<size_t>(c);
}

void FrameSum::HandOver() {
  m_pixels.assign(m_rows.size(), 0.0L);
  WriteTo(m_pixels.data());
  m_whole = false;
  std::vector<int64_t>().swap(m_rows);
}

void FrameSum::AddColumns(const int32_t* values) {
  if (!m_whole) {
    for (size_t i = 0; i < m_pixels.size(); ++i) m_pixels[i] += values[i];
    return;
  }
  size_t i = 0;
  for (int32_t x = 0; x < m_width; ++x) {
    for (int32_t y = 0; y < m_height; ++y) m_rows[RowIndex(x, y)] += values[i++];
  }
}

void FrameSum::AddRows(const int32_t* values) {
  if (m_whole) {
    int64_t* acc = m_rows.data();
    for (size_t i = 0; i < m_rows.size(); ++i) acc[i] += values[i];
    return;
  }
  size_t i = 0;
  for (int32_t x = 0; x < m_width; ++x) {
    for (int32_t y = 0; y < m_height; ++y) m_pixels[i++] += values[RowIndex(x, y)];
  }
}

void FrameSum::AddExtended(const Extended* pixels) {
  if (m_whole) HandOver();
  Extended* acc = m_pixels.data();
  for (size_t i = 0; i < m_pixels.size(); ++i) acc[i] += pixels[i];
}

void FrameSum::WriteTo(Extended* pixels) const {
  if (!m_whole) {
    std::copy(m_pixels.begin(), m_pixels.end(), pixels);
    return;
  }
  size_t i = 0;
  for (int32_t x = 0; x < m_width; ++x) {
    for (int32_t y = 0; y < m_height; ++y)
      StoreIntegerExtended(m_rows[RowIndex(x, y)], &pixels[i++]);
  }
}

}  // namespace orvek
