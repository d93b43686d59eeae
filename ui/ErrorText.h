#pragma once
// Failures worded for the windows: the sentence of an Error or a failed Status in the
// interface language, from the settings file's texts (wording/Wording.h).

#include <QString>

#include "core/Error.h"
#include "core/Status.h"

namespace orvek {

/// The sentence of a failure in the interface language.
QString ErrorText(const Error& error);
/// The sentence of a failed Status (its own message when it was made with one).
QString ErrorText(const Status& status);

}  // namespace orvek
