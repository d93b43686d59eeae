#pragma once
// The pointers offered over the image: slot 0 the system cross (the default), slots 1..3 the
// three pointers built into the program (MONCU1..MONCU3), slots 4..7 the cursor files
// red0.cur..red3.cur and slots 8..11 blu0.cur..blu3.cur of the program folder, read at start.
// A file that cannot be read leaves its slot empty: the image then shows the arrow.

#include <QCursor>
#include <QPixmap>
#include <QString>
#include <array>
#include <optional>

namespace orvek {

class CursorSlots {
 public:
  static constexpr int kCount = 12;

  /// Fills the slots: built-in pointers from the program's resources, cursor files from
  /// `folder` (ending in a separator).
  void Load(const QString& folder);

  /// The cursor of a slot; empty when the slot could not be filled.
  const std::optional<QCursor>& Cursor(int slot) const { return m_cursors.at(slot); }
  /// A picture of the slot's pointer for its menu item (null when empty).
  const QPixmap& Picture(int slot) const { return m_pictures.at(slot); }
  /// The file a slot was read from (slots 4..11), or the resource name.
  static QString SourceName(int slot);

 private:
  std::array<std::optional<QCursor>, kCount> m_cursors;
  std::array<QPixmap, kCount> m_pictures;
};

}  // namespace orvek
