#pragma once
// The visual best-of window (TfrmVisu, "BestOf Visual"): the thumbnails of the image list,
// fifty to a page in five rows of ten, each with a dot that is green when its list item is
// ticked and red when it is not. A click on a thumbnail toggles its item's tick; the page
// selector moves by fifty. Opened modally by "BestOf (Vis)" once the thumbnails are written
// into the working folder "tempv".

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvek {

struct Workbench;
class ImageView;
class StepArrows;

class TfrmVisu : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmVisu(Workbench& workbench);

  /// Shows the window modally, centred on the main window, and returns when it is closed.
  /// Tests drive it through its pictures and arrows once it is visible.
  void ShowModal();

  /// The page selector's maximum (the start of the last page) and position 0, then FillPage.
  void FormShow();
  /// Every picture cleared; the main list selects and shows its first item, and its counter
  /// is brought up to date.
  void FormHide();
  /// Shows the page at the selector's position.
  void UpDown1Click();
  /// Inverts the tick of list item (page start + n) and redraws its dot.
  void ImgClique(int n);
  /// Draws the dot of picture n at (10, 10): green for a ticked item, red for an unticked one.
  void ImgMarque(int n);
  /// Loads the thumbnails of the page starting at the selector's position; pictures past the
  /// last item are cleared and disabled. Edit2 and Edit4: numbers (from 1) of the page's
  /// first and last frames.
  void FillPage();

  /// The page start (UpDown1's position, from 0).
  int PageStart() const;
  /// Picture n (0..49) of the page.
  ImageView* Picture(int n) const { return m_images[static_cast<size_t>(n)]; }

 signals:
  /// The window was hidden (closed): the modal loop ends.
  void Hidden();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  /// The bar's texts in the interface language.
  void ApplyTexts();

  Workbench& m_workbench;
  std::array<ImageView*, 50> m_images{};
  QLineEdit* m_Edit1 = nullptr;
  StepArrows* m_UpDown1 = nullptr;
  QLineEdit* m_Edit2 = nullptr;
  QLineEdit* m_Edit4 = nullptr;
  QLabel* m_lblTotal = nullptr;
  std::array<QLabel*, 5> m_captions{};  // "Images", "to", "Page", and the key to the dots
  QPushButton* m_btnClose = nullptr;
};

}  // namespace orvek
