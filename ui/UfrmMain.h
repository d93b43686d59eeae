#pragma once
// TFormMain: the main window. It holds the image shown (CurrentFrame) and the bias frame,
// shows the image (at one screen pixel per image pixel until the zoom changes) with its
// display thresholds, measures stars on it (component A and B), keeps the image list at its
// left and carries the menus through which every command is reached.
//
// Sources: UfrmMain.cpp (construction, menus, texts, options, cursors, help, closing),
// UfrmMainDisplay.cpp (loading, display, thresholds, saves), UfrmMainMeasure.cpp (pair
// measurement), UfrmMainList.cpp (image list and STOP), UfrmMainGuide.cpp (zoom bar, status
// bar, tooltips).
//
// Commands that belong to features not built yet exist in the menus with their captions
// and stay disabled. A feature wires its command with InstallCommand(), which connects the
// handler and lets the command follow the window's enabling rules from then on. Commands
// reach the window through its typed members (MainCommand, the accessors of the controls
// they read), never by looking a control up by name.
//
// Besides the design's controls the window has a zoom (ImageZoom: wheel, Ctrl+plus/minus,
// the "Zoom" menu and the bar above the picture) and a status bar that says what the next
// mouse gesture does (UfrmMainGuide.cpp).

#include <QHash>
#include <QMainWindow>
#include <QPen>
#include <QSet>
#include <QSize>
#include <functional>
#include <memory>

#include "core/OTrame.h"
#include "core/Raster.h"
#include "measure/Measurement.h"
#include "measure/OMat.h"
#include "measure/ReductionTable.h"
#include "series/ImageList.h"

class QAbstractButton;
class QAction;
class QActionGroup;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSlider;
class QToolButton;

namespace orvek {

struct Workbench;
class ImageView;
class ImageZoom;
class UpDownControl;
class CheckListBox;

/// The commands of the main window that a feature wires (menu items and buttons, named as
/// their controls).
#define ORVEK_MAIN_COMMANDS(X)          \
  X(avi)                                \
  X(BestOfsn)                           \
  X(BestOfMax1)                         \
  X(SlectionManuelle1)                  \
  X(Dcoupage1)                          \
  X(Retailler1)                         \
  X(Additioner1)                        \
  X(Compositageautomatique1)            \
  X(AdditionnerReductions1)             \
  X(Quad1)                              \
  X(Surface1)                           \
  X(SurfaceImage1)                      \
  X(FFT1)                               \
  X(FFTdirecteargument1)                \
  X(AutoCorrlation1)                    \
  X(InterCorrlation1)                   \
  X(SoustractionFond1)                  \
  X(DV01)                               \
  X(AutocorrlationetSoustractionFond1)  \
  X(InterCorrlationetSoustractionFond1) \
  X(PuissanceRfrence1)                  \
  X(PuissanceDouble1)                   \
  X(DivisionetRetourSpatial1)           \
  X(LibrairieInterfromtrie1)            \
  X(ClosePair1)                         \
  X(SpeckleMask1)                       \
  X(EnhancedPowerSpectrum1)             \
  X(Div1)                               \
  X(Mult1)                              \
  X(LowPass1)                           \
  X(Conv1)                              \
  X(supprPic1)                          \
  X(supprautour1)                       \
  X(suppr21)                            \
  X(fftd1)                              \
  X(CentroideMenuitem)                  \
  X(Rapport1)                           \
  X(AutoOrvek)                          \
  X(btnDriftSingle)                     \
  X(btnDriftMulti)                      \
  X(Button2)

enum class MainCommand {
#define ORVEK_MAIN_COMMAND_ENUM(name) name,
  ORVEK_MAIN_COMMANDS(ORVEK_MAIN_COMMAND_ENUM)
#undef ORVEK_MAIN_COMMAND_ENUM
};

/// The control name of a command ("Quad1").
QString CommandName(MainCommand command);

/// What "comp A" or "comp B" took: the position, the window half-size, and the size of the
/// frame it was taken on (0 x 0 before the first capture).
struct CapturedComponent {
  rStarPos point;
  int halfSize = 6;
  int frameWidth = 0;
  int frameHeight = 0;
  bool Taken() const { return frameWidth > 0; }
};

class TFormMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit TFormMain(Workbench& workbench);
  ~TFormMain() override;

  // ---- Texts, options, commands (UfrmMain.cpp) --------------------------------------------

  /// Loads the window's texts from section language + "Main": caption "Orvek V4.6", menu
  /// captions, the Cadrage group, the kept messages; then RefreshSelection.
  void ChangeLangue();
  /// A message kept by ChangeLangue: "msgExtInc", "msgRef", "msgWng" or "msgErrSurface".
  QString MessageText(const QString& key) const { return m_messages.value(key); }
  /// Writes "Langue" at once and reloads the texts of every translated window.
  void SelectLanguage(const QString& letter);

  /// The options the settings file keeps for this window.
  MainWindowParams MainParams() const;
  void ApplyMainParams(const MainWindowParams& params);

  /// Connects a command of a later feature (a menu item or a button) and lets it be enabled
  /// from then on.
  void InstallCommand(MainCommand command, std::function<void()> handler);
  /// Marks a command as available without connecting anything (check items read by a
  /// feature, for example).
  void MarkBuilt(MainCommand command);
  /// True when the command is not wired yet (it then stays disabled).
  bool IsPending(MainCommand command) const;
  bool IsPending(const QString& objectName) const;
  /// A menu item of this window by object name (nullptr when none); for tests and the
  /// window's own texts.
  QAction* Action(const QString& objectName) const;
  /// A menu of this window by object name.
  QMenu* Menu(const QString& objectName) const;

  // ---- Controls that commands read or set ------------------------------------------------

  /// The hidden "hQuadPx" edit: the sharpening weight of QuadPx as typed.
  QString QuadPxWeightText() const;
  /// The hidden "SubPixellaire" box: sub-pixel registration of the alignment.
  bool SubPixel() const;
  void SetSubPixel(bool on);
  /// The check item "Enhanced Power Spectrum" of the interferometry menu.
  bool EnhancedPowerSpectrum() const;
  /// The upper display threshold (TrackBar1) moved to the top of the display range.
  void UpperThresholdToRangeTop();
  /// The interferometry file list (FileListBoxInter) that can take the image list's place.
  QListWidget* InterList() const { return m_FileListBoxInter; }

  /// The Quit command: asks the window to close; only when it closes are the working
  /// folders "temps", "tempc", "temp", "tempv", "tempf", "tempr" emptied and removed.
  /// Returns true when the window closed.
  bool QuitterClick();
  /// The six working folders emptied and removed by Quit, in order.
  static QStringList QuitFolders();
  /// Help (menu "Aide", F1): the help page of the interface language, opened by the
  /// desktop's handler, else in the program's help window, else a message says why not.
  void Aide2Click();
  /// The help page of the interface language: program folder + "tutoriel.htm" (F),
  /// "tutorial.htm" (E and any other), "manual.htm" (S), "Tutoriit.htm" (I).
  static QString HelpPage();
  /// Chooses the pointer shown over the image (slot 0..11).
  void SetCursorSlot(int slot);
  int CursorSlot() const { return m_cursorSlot; }

  // ---- Image and display (UfrmMainDisplay.cpp) ---------------------------------------------

  /// Reads a file into a new CurrentFrame, shows it, measures the star at its best peak and
  /// sets the thresholds. False (with a message) when the file is missing or unreadable.
  /// The busy pointer shows while it works.
  bool LoadAndShow(const QString& fileName);
  /// Shows a frame that a series command has just read (a copy becomes CurrentFrame), as
  /// LoadAndShow shows a file it reads: status, measurement at its best peak, thresholds.
  /// A frame the command could not read (empty, or named with no image extension) shows
  /// nothing.
  void ShowFrame(const OTrame& frame);
  /// LoadAndShow of CurrentFrame's file, when there is one.
  void ReloadCurrent();
  /// Caption file part and the four-line status label from CurrentFrame.
  void ShowStatus();
  /// With "Auto" ticked: display range and thresholds from the statistics; then Redisplay.
  void AutoThresholds();
  /// Renders CurrentFrame with the current thresholds and options, then draws the
  /// measurement outline again unless no point is measured on this image yet.
  void Redisplay();
  /// CurrentFrame rendered as the display shows it (thresholds, log, colour), without the
  /// marks drawn over it (outline, crosses); empty when no image is shown.
  Raster DisplayRendering() const;
  /// Track-bar position of a value of the display range (nearest, halves to even).
  int ValueToPosition(Extended value) const;
  /// Value of a track-bar position: p / 100 x (max - min) + min.
  Extended PositionToValue(int position) const;
  void SetCaptionFile(const QString& text);
  /// Sets the caption's folder part and SeriesName.
  void SetCaptionFolder(const QString& text);
  QString SeriesName() const { return m_seriesName; }

  /// The image shown (an empty frame before the first load or after a failed one).
  OTrame& CurrentFrame() { return *m_frame; }
  const OTrame& CurrentFrame() const { return *m_frame; }
  /// True when CurrentFrame holds pixels.
  bool HasImage() const { return !m_frame->Empty(); }
  /// The bias frame given to every load; nullptr after a failed bias computation.
  OTrame* BiasFrame() { return m_bias.get(); }
  void SetBiasFrame(std::unique_ptr<OTrame> bias) { m_bias = std::move(bias); }
  /// The FITS orientation options (menu "Swap Vertical/Horizontal (fits)").
  FitsOptions CurrentFitsOptions() const;
  /// The hidden picture handed to LoadFile by commands that load frames not to be shown.
  Raster& Image0() { return m_image0; }
  /// The picture shown (drawing on it takes effect at the next repaint).
  ImageView* Image1() const { return m_Image1; }

  /// The mouse read-out at image position (x, y), then the magnifier follows.
  void ImageMouseMove(int x, int y);

  /// The zoom of the picture (kept for the run, not in the settings file).
  ImageZoom& Zoom() const { return *m_zoom; }

  // Commands of this window.
  void OuvrirClick();
  /// The list side of Open after the dialog: shows the first file and, when it loads, lists
  /// every file ticked; RefreshSelection in every case.
  void OpenFiles(const QStringList& files);
  void SaveFitsClick();  ///< FITS1
  void SaveBmpClick();   ///< BMP1
  void SaveOrvClick();   ///< ORV1
  enum class SeriesKind { Fits, Bmp, Orv };
  void SaveSeries(SeriesKind kind);  ///< FITS2, BMP2, ORV2
  // Threshold popup.
  void Stretch1Click();  ///< "Max >>"
  void N9Click();        ///< "<< Max"
  void N13Click();       ///< "|<-- Max"
  void N10Click();       ///< "Min >>"
  void N11Click();       ///< "<< Min"
  void N12Click();       ///< "Min -->|"

  // ---- Pair measurement (UfrmMainMeasure.cpp) ----------------------------------------------

  /// Measures the star round `point` (X and Y read) with the library's measurement: one
  /// pass with "Manuel" framing, two with "Automatique"; the result is CurrentPoint, shown
  /// with one outline, its statistics and profiles; the table's read-out follows.
  void MeasureAt(const rStarPos& point);
  /// A mouse button pressed on the image at (x, y).
  void ImageClick(Qt::MouseButton button, int x, int y);
  /// The measurement outline (exclusive-or green rectangle) round CurrentPoint.
  void DrawWindowFrame(bool eraseFirst);
  /// The magnified view of the 30 x 30 square round (x, y) with its cross lines.
  void ShowMagnifier(int x, int y);
  /// Row and column profiles, threshold and window edges in Image2.
  void DrawProfiles();
  /// Marks (x, y) on the image with an exclusive-or cross of half-size s (and a square).
  void DrawCross(int x, int y, bool withSquare, bool keepPen, int halfSize);
  /// The pen of DrawCross when it keeps its pen, and its mode: exclusive-or (true) or copy.
  /// A DrawCross that does not keep its pen puts back the red dotted exclusive-or pen.
  const QPen& CrossPen() const { return m_crossPen; }
  bool CrossPenExclusiveOr() const { return m_crossXor; }
  void SetCrossPen(const QPen& pen, bool exclusiveOr);
  /// CurrentFrame is square with a side of 64, 128, 256 or 512.
  bool IsCentredSpectrum() const;

  const rStarPos& CurrentPoint() const { return m_currentPoint; }
  void SetCurrentPoint(const rStarPos& point) { m_currentPoint = point; }
  const rStarPos& CapturedA() const { return m_capturedA; }
  const rStarPos& CapturedB() const { return m_capturedB; }
  /// Sets CapturedA (CapturedB) and remembers the size of CurrentFrame it was taken on.
  void SetCapturedA(Extended x, Extended y);
  void SetCapturedB(Extended x, Extended y);
  /// Width and height of the frame A (B) was captured on; empty before the first capture.
  QSize CapturedAFrame() const { return m_capturedAFrame; }
  QSize CapturedBFrame() const { return m_capturedBFrame; }
  int SizeA() const { return m_sizeA; }
  int SizeB() const { return m_sizeB; }
  /// What "comp A" and "comp B" took, with the size of the frame they were taken on.
  CapturedComponent CaptureA() const;
  CapturedComponent CaptureB() const;
  /// Window half-size P (HScroll1, 1..30); changing it re-measures while an image is shown.
  int HalfSize() const;
  void SetHalfSize(int half);
  Extended LastThreshold() const { return m_lastThreshold; }
  /// The measurement settings of the window's controls.
  MeasureSettings CurrentMeasureSettings() const;
  /// The measurement window of the last measurement.
  const OMat& Mat() const { return m_mat; }
  /// Interferometry fast measurement ticked.
  bool FastMeasurement() const;

  void Capture_AClick();
  void Capture_BClick();
  /// Enables or disables the "AutoOrvek" button (disabled while its run goes on).
  void SetAutoOrvekAllowed(bool allowed);
  /// The pointer moved over the profile picture with the left button held at row y.
  void ProfileDrag(int y);

  // ---- Image list (UfrmMainList.cpp) -------------------------------------------------------

  /// Counts the ticked items, updates the counter, the all-items box, the percentage and
  /// the enabled state of the series commands; returns the count.
  int RefreshSelection();
  /// Replaces the list by the files matching `mask` (folder + pattern), all ticked.
  void FillList(const QString& mask);
  /// Dossier + text of the selected item (empty when none is selected).
  QString CurrentItemPath() const;
  /// Selects the first ticked item and returns its index; -1 when none.
  int FirstTicked();
  /// Clears StopFlag and shows or hides the STOP button.
  void ShowStop(bool visible);
  /// Shows a progress text of a long loop ("12/340") in the counter until the next
  /// RefreshSelection.
  void ShowProgress(const QString& text);
  bool StopFlag() const { return m_stopFlag; }
  void SetStopFlag(bool value) { m_stopFlag = value; }
  /// Shows the interferometry file list in place of the image list (true) or back.
  void ShowInterList(bool visible);
  R_ListeFic& ListeFic() { return m_listeFic; }

  int ItemCount() const;
  QString ItemText(int index) const;
  bool IsTicked(int index) const;
  void SetTicked(int index, bool ticked);
  int SelectedIndex() const;
  void SelectItem(int index);
  /// Replaces the items (a best-of sort reorders them); ticks given per item.
  void SetItems(const QStringList& names, const QList<bool>& ticks);
  /// The list's background is the blue of the working folder "temp".
  bool ListIsBlue() const { return m_listBlue; }
  CheckListBox* List() const { return m_CheckListBox; }

  void ChargerRp1Click();
  void PercentageChanged(const QString& text);
  void InvertTicks();
  void CheckAllClick(bool ticked);
  void ListItemClicked(int index);
  void ListDraggedOver(int index);

  /// Lets pending window events run (inside long loops).
  void ProcessPendingEvents();

  // ---- Guidance (UfrmMainGuide.cpp) ---------------------------------------------------------

  /// The status bar's text: what a left and a right click on the picture do now.
  QString GuidanceText() const;
  /// The status bar's live figures: theta and rho between the entered A and the star under
  /// the pointer (empty when no A waits for its B).
  QString LiveText() const;
  /// The status bar's captured positions of comp A and comp B.
  QString CapturesText() const;
  /// Updates the three texts and the tooltips of "comp A" and "comp B".
  void RefreshGuidance();

 signals:
  /// The window closed (the close question, if any, was answered Yes).
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Construction.
  void BuildControls();
  void BuildMenus();
  void BuildZoom(QWidget* pane);
  void BuildStatusBar();
  /// Texts of the zoom, the status bar and the tooltips in the interface language.
  void ChangeLangueExtra();
  QObject* CommandObject(MainCommand command) const;
  QAction* AddItem(QMenu* menu, const QString& name, const QString& caption);
  QMenu* AddMenu(QMenu* parent, const QString& name, const QString& caption);
  /// Enables a command or control when its rule allows it and it is wired.
  void SetAllowed(QObject* object, bool allowed);
  void SetAllowed(const QString& objectName, bool allowed);

  // Display helpers.
  /// What LoadAndShow and ShowFrame do once m_frame holds the new frame.
  void ShowNewFrame(bool biasApplied);
  /// One measurement shown: outline, statistics, region picture, profiles.
  void ShowMeasurement(const MeasurePass& pass, const Raster& region);
  /// The live figures for the pointer at image pixel (x, y).
  void UpdateLive(int x, int y);
  void ShowRaster(const Raster& raster);
  void XorOutline(const QRect& corners);
  bool ReadRange(Extended& low, Extended& high) const;
  Extended ThresholdValue(const QLineEdit* edit) const;
  void RefreshCaption();
  bool SaveCheckFrame();

  Workbench& m_workbench;

  // State.
  std::unique_ptr<OTrame> m_frame;
  std::unique_ptr<OTrame> m_bias;
  Raster m_image0;
  QString m_captionFile;
  QString m_captionFolder;
  QString m_seriesName;
  bool m_noPoint = true;
  bool m_imageShown = false;
  bool m_firstShow = true;
  QHash<QString, QString> m_messages;
  int m_cursorSlot = 0;

  OMat m_mat;
  rStarPos m_currentPoint;
  rStarPos m_capturedA;
  rStarPos m_capturedB;
  QSize m_capturedAFrame;
  QSize m_capturedBFrame;
  int m_sizeA = 6;
  int m_sizeB = 6;
  QString m_liveText;
  QPoint m_livePixel{-1, -1};
  Extended m_lastThreshold = 0;
  bool m_manualThreshold = false;
  QRect m_outline;  // left, top, right, bottom of the outline last drawn (as a QRect's corners)
  bool m_outlineValid = false;
  Extended m_profileMin = 0;
  double m_profileScaleX = 1;
  double m_profileScaleY = 1;
  QPen m_crossPen;
  bool m_crossXor = true;

  R_ListeFic m_listeFic;
  bool m_stopFlag = false;
  bool m_listBlue = false;

  QSet<QObject*> m_pending;
  QHash<QObject*, bool> m_allowed;

  // Controls (names as their objectName).
  QScrollArea* m_ScrollBox1 = nullptr;
  ImageView* m_Image1 = nullptr;
  ImageView* m_Image0 = nullptr;
  QLabel* m_lblFormatImage = nullptr;
  QLabel* m_Label4 = nullptr;
  QLabel* m_darkfile = nullptr;
  QSlider* m_TrackBar1 = nullptr;
  QSlider* m_TrackBar2 = nullptr;
  QLineEdit* m_niv1 = nullptr;
  QLineEdit* m_niv2 = nullptr;
  QLineEdit* m_TrackBarsMax = nullptr;
  QLineEdit* m_TrackBarsMin = nullptr;
  QCheckBox* m_VisuAuto = nullptr;
  QCheckBox* m_VisuLog = nullptr;
  QCheckBox* m_VisuColor = nullptr;
  QLineEdit* m_lut = nullptr;
  UpDownControl* m_UpDown1 = nullptr;
  QLabel* m_Label1 = nullptr;
  QSlider* m_HScroll1 = nullptr;
  QGroupBox* m_Cadrage = nullptr;
  QButtonGroup* m_CadrageGroup = nullptr;
  QRadioButton* m_CadrageManuel = nullptr;
  QRadioButton* m_CadrageAuto = nullptr;
  QGroupBox* m_RadioGroup1 = nullptr;
  QButtonGroup* m_MethodGroup = nullptr;
  QCheckBox* m_CtlAdj = nullptr;
  QCheckBox* m_SubPixellaire = nullptr;
  QLabel* m_Label2 = nullptr;
  ImageView* m_Image2 = nullptr;
  ImageView* m_Image3 = nullptr;
  ImageView* m_Image4 = nullptr;
  QCheckBox* m_CheckBox1 = nullptr;
  QPushButton* m_Capture_A = nullptr;
  QPushButton* m_Capture_B = nullptr;
  QPushButton* m_AutoOrvek = nullptr;
  QPushButton* m_btnDriftSingle = nullptr;
  QPushButton* m_btnDriftMulti = nullptr;
  QPushButton* m_Button2 = nullptr;
  QLabel* m_lblTipFastMeasurement = nullptr;
  QLineEdit* m_hQuadPx = nullptr;
  QCheckBox* m_CheckBox2 = nullptr;
  QLineEdit* m_Auto_Nb = nullptr;
  QLabel* m_Label3 = nullptr;
  QComboBox* m_ComboBox1 = nullptr;
  QPushButton* m_btnSTOP = nullptr;
  QPushButton* m_Button1 = nullptr;
  CheckListBox* m_CheckListBox = nullptr;
  QListWidget* m_FileListBoxInter = nullptr;
  QPushButton* m_btnListeInter = nullptr;
  QMenu* m_PopupMenu1 = nullptr;
  QActionGroup* m_cursorGroup = nullptr;
  QActionGroup* m_languageGroup = nullptr;

  // Zoom and guidance.
  ImageZoom* m_zoom = nullptr;
  QLabel* m_zoomLabel = nullptr;
  QLabel* m_guide = nullptr;
  QLabel* m_live = nullptr;
  QLabel* m_captures = nullptr;
};

}  // namespace orvek
