#pragma once
// The pixel-level commands of the main window: "QuadPx" (menu "Special"), the hidden menu
// "Maths" (Div, Mult, LowPass, Conv and the three peak suppressions) and the hidden
// "Speckle Mask" item of "Interférométrie". The library (fourier/ImageArithmetic.h and
// fourier/SpeckleMask.h) computes and writes the result files; the window reads its controls,
// asks for the second image through the prompter's open dialog and shows the results.

#include <QString>

namespace orvek {

struct Workbench;
class OTrame;
class TFormMain;

class ArithmeticCommands {
 public:
  /// Wires Quad1, Div1, Mult1, LowPass1, Conv1, supprPic1, supprautour1, suppr21 and
  /// SpeckleMask1. The hidden menus stay hidden.
  explicit ArithmeticCommands(Workbench& workbench);
  ArithmeticCommands(const ArithmeticCommands&) = delete;
  ArithmeticCommands& operator=(const ArithmeticCommands&) = delete;

  /// "QuadPx": the quad-pixel image of the current frame with the weight typed in hQuadPx,
  /// written to "tempc" as "quad_" + name + ".orvc" and shown.
  void Quad1Click();
  /// "Div" / "Mult": the current frame divided / multiplied by a second image chosen in the
  /// open dialog; "temp/div.orv" ("mult.orv") is shown and removed again.
  void Div1Click();
  void Mult1Click();
  /// "LowPass": the 3 x 3 smoothing, "temp/lowpass.orv" shown and removed again.
  void LowPass1Click();
  /// "Conv": the correlation with a second image, every stage written to "temp"; the final
  /// stage is shown and the list shows the folder's ".orv" files.
  void Conv1Click();
  /// "suppr Pic", "suppr +1", "suppr +2": the centre of the frame blanked (1, 3 x 3 or 5 x 5
  /// pixels), the frame redrawn and measured again at the current point.
  void supprPic1Click();
  void supprautour1Click();
  void suppr21Click();
  /// "Speckle Mask" of the ticked images with the shift of the table's row 1; the list then
  /// shows the files of "tempspmask" and the first one is shown.
  void SpeckleMask1Click();

 private:
  TFormMain& Main() const;
  /// The open dialog and the load of the second image (bias and FITS options as LoadAndShow).
  /// False when cancelled or when the file cannot be read (reported).
  bool ChooseSecondImage(OTrame& second);
  /// Div or Mult.
  void TwoImages(bool divide);
  /// LoadAndShow of a result, then the file removed from its folder.
  void ShowAndRemove(const std::string& path);
  void Suppress(int ring);

  Workbench& m_workbench;
  bool m_running = false;
};

}  // namespace orvek
