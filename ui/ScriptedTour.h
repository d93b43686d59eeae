#pragma once
// The scripted sequence of the program's screenshots (orvek --tour): what a first-time user
// does on a series, with the window's own gestures: the frame fitted to the pane, component A
// clicked and entered, the pointer moved onto B (the status bar then shows the live theta and
// rho), B clicked and entered, the measurement table open.

#include <QString>
#include <functional>

namespace orvek {

struct Workbench;

/// Called at each stage worth a picture: "pending" (A entered, the pointer on B) and "done"
/// (the pair entered, the table shown).
using TourSnapshot = std::function<void(const QString& stage)>;

/// Runs the sequence on the frame shown. False, with the reason in `why`, when no frame is
/// shown or it holds no pair of stars to measure.
bool RunTour(Workbench& workbench, const TourSnapshot& snapshot, QString* why);

}  // namespace orvek
