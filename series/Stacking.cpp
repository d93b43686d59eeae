#include "series/Stacking.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <utility>

#include "core/ExtendedCodec.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/ReductionTable.h"
#include "series/FrameReader.h"
#include "series/FrameSum.h"

namespace fs = std::filesystem;

namespace orvek {

namespace {

void Warn(std::vector<Error>& warnings, SeriesObserver& observer, Error error) {
  observer.Problem(error);
  warnings.push_back(std::move(error));
}

bool SameFolder(const std::string& a, const std::string& b) {
  std::error_code ec;
  const bool same =
      fs::equivalent(fs::path(a.empty() ? "." : a), fs::path(b.empty() ? "." : b), ec);
  return !ec && same;
}

// One input of the alignment loop.
struct AlignInput {
  int position = 0;
  std::string source;
  bool ticked = true;
  bool fromTable = false;
  Extended xA = 0;
  Extended yA = 0;
};

AlignResult AlignInputs(const std::vector<AlignInput>& inputs, bool tableMode,
                        const AlignSettings& settings, const LoadContext& context,
                        const OutputFolder& output, SeriesObserver& observer) {
  AlignResult result;
  if (inputs.empty()) {
    result.status = Status::Fail(Error(ErrorCode::NoInput));
    return result;
  }
  if (settings.size < 1) {
    result.status = Status::Fail(Error(ErrorCode::CropSize).Values({double(settings.size)}));
    return result;
  }
  const std::string& folder = output.dir;
  const std::string outputExt = tableMode ? ".orvr" : ".orva";
  const auto processed = [&](const AlignInput& in) { return tableMode || in.ticked; };
  const auto targetOf = [&](const AlignInput& in) {
    return folder + BaseNameOf(in.source) + outputExt;
  };
  // In a folder of the user's, a crop that would replace a file stops the command before
  // anything is written.
  for (const AlignInput& in : inputs) {
    if (!processed(in)) continue;
    if (Status s = MayWrite(output, targetOf(in)); !s) {
      result.status = s;
      return result;
    }
    if (tableMode) {
      if (Status s = MayWrite(output, ChangeExtension(targetOf(in), ".orva")); !s) {
        result.status = s;
        return result;
      }
    }
  }
  if (Status s = PrepareOutput(output); !s) {
    result.status = s;
    return result;
  }
  if (UpperExtension(inputs.front().source) != ".ORVA") {
    // The inputs are spared: a list opened from the folder itself would lose them unread.
    std::vector<std::string> toRead;
    for (const AlignInput& in : inputs)
      if (processed(in)) toRead.push_back(in.source);
    if (Status s = ClearOutput(output, "*.*", toRead); !s) {
      result.status = s;
      return result;
    }
  }
  const int count = static_cast<int>(inputs.size());
  LoadedFrame loaded;

  for (int p = 0; p < count; ++p) {
    const AlignInput& in = inputs[static_cast<size_t>(p)];
    if (!processed(in)) {
      // Re-aligning aligned frames drops the crops the user unticked (only in the program's
      // own folder).
      if (output.programOwned && IsOrvExtension(UpperExtension(in.source)) &&
          SameFolder(FolderOf(in.source), folder) && FileExists(in.source)) {
        if (Status s = RemoveFile(in.source); !s) {
          result.status = s;
          return result;
        }
        result.deleted.push_back(in.source);
      }
      continue;
    }
    const std::string target = targetOf(in);
    const LoadResult read = LoadAndMeasure(in.source, context, loaded);
    observer.FrameLoaded(p, count, loaded.frame);
    if (!read.ok()) {
      // No crop of the frame loaded before this one under this frame's name.
      Warn(result.warnings, observer, ReadFailure(in.source, read));
      continue;
    }

    AlignedFrame done;
    done.position = in.position;
    done.source = in.source;
    done.star = loaded.star.point;
    int offsetX = settings.offsetX;
    int offsetY = settings.offsetY;
    if (tableMode) {
      done.x = in.xA;
      done.y = in.yA;
    } else if (settings.subPixel) {
      done.x = loaded.star.point.X;
      done.y = loaded.star.point.Y;
    } else {
      done.x = settings.cropX;
      done.y = settings.cropY;
      offsetX = 0;
      offsetY = 0;
    }
    if (settings.subPixel) {
      ResampleSubPixel(loaded.frame, FractionalPart(done.x), FractionalPart(done.y));
      done.resampled = true;
    }
    if (Status s = CropWindowFor(done.x, done.y, settings.size, offsetX, offsetY, done.window);
        !s) {
      Warn(result.warnings, observer, Error(s.error).Path(in.source));
      continue;
    }
    if (Status s = loaded.frame.SaveOrv(done.window.left, done.window.top, done.window.right,
                                        done.window.bottom, target);
        !s) {
      Warn(result.warnings, observer, s.error);
      continue;
    }
    done.output = target;
    result.frames.push_back(std::move(done));
  }

  if (tableMode) {
    if (output.programOwned) {
      Status s = ClearOutput(output, "*.orva");
      if (s) s = RenameExtensionsIn(output, ".orvr", ".orva");
      if (!s) {
        result.status = s;
        return result;
      }
    } else {
      for (const AlignedFrame& f : result.frames) {
        if (Status s = RenameFile(f.output, ChangeExtension(f.output, ".orva")); !s) {
          result.status = s;
          return result;
        }
      }
    }
    for (AlignedFrame& f : result.frames) f.output = ChangeExtension(f.output, ".orva");
  }
  if (output.programOwned) {
    for (const std::string& name : ListFiles(folder, "*.*")) result.list.push_back(folder + name);
  } else {
    for (const AlignedFrame& f : result.frames) result.list.push_back(f.output);
  }
  if (!result.list.empty()) result.showPath = result.list.front();
  return result;
}

}  // namespace

CropPreview MakeCropPreview(Extended starX, Extended starY, int offsetX, int offsetY, int size) {
  CropPreview p;
  p.cx = Nearest32(offsetX + static_cast<Extended>(Nearest(starX)));
  p.cy = Nearest32(offsetY + static_cast<Extended>(Nearest(starY)));
  p.half = Nearest32(static_cast<Extended>(size) / 2);
  return p;
}

Extended FractionalPart(Extended x) {
  return x - std::trunc(x);
}

Status CropWindowFor(Extended x, Extended y, int size, int offsetX, int offsetY, CropWindow& out) {
  if (size < 1) return Status::Fail(Error(ErrorCode::CropSize).Values({double(size)}));
  const auto outside = [&] {
    return Status::Fail(
        Error(ErrorCode::CropOutside).Values({static_cast<double>(x), static_cast<double>(y)}));
  };
  if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e9L || std::fabs(y) > 1e9L)
    return outside();
  const int64_t c = Trunc(x);
  const int64_t r = Trunc(y);
  const int64_t left = c - size / 2 + offsetX;
  const int64_t top = r - size / 2 + offsetY;
  const int64_t right = left + size - 1;
  const int64_t bottom = top + size - 1;
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  if (left < kMin || top < kMin || right > kMax || bottom > kMax) return outside();
  out.left = static_cast<int32_t>(left);
  out.top = static_cast<int32_t>(top);
  out.right = static_cast<int32_t>(right);
  out.bottom = static_cast<int32_t>(bottom);
  return Status::Ok();
}

void ResampleSubPixel(OTrame& frame, Extended fx, Extended fy) {
  if (frame.Empty()) return;
  const int64_t lastX = frame.LastX;
  const int64_t lastY = frame.LastY;
  // Along x: each pixel takes fx of its right neighbour, read before that one is updated.
  for (int64_t j = 1; j <= lastY; ++j) {
    for (int64_t i = 1; i < lastX; ++i) {
      const Extended p = frame.GetPixel(i, j);
      frame.SetPixel(i, j, p + fx * frame.GetPixel(i + 1, j) - fx * p);
    }
  }
  // Along y, on the result of the first pass.
  for (int64_t i = 1; i <= lastX; ++i) {
    for (int64_t j = 1; j < lastY; ++j) {
      const Extended p = frame.GetPixel(i, j);
      frame.SetPixel(i, j, p + fy * frame.GetPixel(i, j + 1) - fy * p);
    }
  }
}

AlignResult AlignList(const std::vector<SeriesItem>& items, const AlignSettings& settings,
                      const LoadContext& context, const OutputFolder& output,
                      SeriesObserver& observer) {
  std::vector<AlignInput> inputs;
  inputs.reserve(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    AlignInput in;
    in.position = static_cast<int>(i) + 1;
    in.source = items[i].path;
    in.ticked = items[i].ticked;
    inputs.push_back(std::move(in));
  }
  return AlignInputs(inputs, false, settings, context, output, observer);
}

AlignResult AlignTable(const std::vector<TableRowInput>& rows, const AlignSettings& settings,
                       const LoadContext& context, const OutputFolder& output,
                       SeriesObserver& observer) {
  std::vector<AlignInput> inputs;
  inputs.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    AlignInput in;
    in.position = static_cast<int>(i) + 1;
    in.source = rows[i].path;
    in.fromTable = true;
    in.xA = rows[i].xA;
    in.yA = rows[i].yA;
    inputs.push_back(std::move(in));
  }
  return AlignInputs(inputs, true, settings, context, output, observer);
}

Status TableRowsFrom(const ReductionTable& table, std::vector<TableRowInput>& rows) {
  std::vector<TableRowInput> out;
  for (int r = 1; r <= table.DataRows(); ++r) {
    const Result<MeasuredPair> pair = table.Pair(r, {kColXA, kColYA});
    if (!pair) return Status::Fail(pair.error());
    out.push_back({pair->frame, pair->xA, pair->yA});
  }
  rows = std::move(out);
  return Status::Ok();
}

std::string CompositeName(int lastPosition, const std::string& firstPath) {
  char number[32];
  std::snprintf(number, sizeof number, "%.4d", lastPosition);
  return std::string("ad") + number + "_" + BaseNameOf(firstPath) + ".orvc";
}

namespace {

// The composite's name, or the first free "-2", "-3", ... variant of it when the name is that
// of a composite to keep.
std::string CompositeTarget(const AddOutput& output, const std::string& name) {
  const auto kept = [&](const std::string& path) {
    for (const std::string& k : output.keep) {
      std::error_code ec;
      if (path == k || (fs::equivalent(path, k, ec) && !ec)) return true;
    }
    return false;
  };
  std::string path = OutputPath(output.folder, name);
  for (int n = 2; kept(path) || (n > 2 && FileExists(path)); ++n)
    path = OutputPath(output.folder, ChangeExtension(name, "-" + std::to_string(n) + ".orvc"));
  return path;
}

}  // namespace

AddResult AddList(const std::vector<SeriesItem>& items, const LoadContext& context,
                  const AddOutput& output, SeriesObserver& observer) {
  AddResult result;
  const int firstIndex = FirstTickedIndex(items);
  if (firstIndex < 0) {
    result.status = Status::Fail(Error(ErrorCode::NoInput));
    return result;
  }
  result.firstPath = items[static_cast<size_t>(firstIndex)].path;
  std::vector<std::string> toRead;
  int lastTicked = firstIndex;
  for (size_t p = 0; p < items.size(); ++p) {
    if (!items[p].ticked) continue;
    toRead.push_back(items[p].path);
    lastTicked = static_cast<int>(p);
  }
  std::vector<std::string> spared = toRead;
  spared.insert(spared.end(), output.keep.begin(), output.keep.end());
  Status ready = PrepareOutput(output.folder);
  if (ready) ready = ClearOutput(output.folder, "ad*.*", spared);
  const std::string designed = CompositeName(lastTicked + 1, result.firstPath);
  const std::string target = CompositeTarget(output, designed);
  if (ready) ready = MayWrite(output.folder, target);
  if (!ready) {
    result.status = ready;
    return result;
  }

  const int count = static_cast<int>(items.size());
  LoadedFrame first;
  const LoadResult firstRead = LoadAndMeasure(result.firstPath, context, first);
  if (!firstRead.ok()) {
    observer.FrameLoaded(firstIndex, count, first.frame);
    result.status = Status::Fail(ReadFailure(result.firstPath, firstRead));
    return result;
  }
  OTrame& accumulator = first.frame;
  // The first frame is read with the same bias and options as the others would be: its
  // pixels are the first addend, so it need not be read a second time.
  const OTrame firstAddend = accumulator;
  accumulator.ClearPixels();
  PixelStore& sum = accumulator.Data();

  std::vector<std::string> paths;
  std::vector<int> positions;
  for (int p = 0; p < count; ++p) {
    if (!items[static_cast<size_t>(p)].ticked) continue;
    positions.push_back(p);
    paths.push_back(p == firstIndex ? std::string() : items[static_cast<size_t>(p)].path);
  }
  // The frames are read ahead on the pool, and each is added there as soon as the frames
  // before it are: in list order, so the sum is the same as one read after the other (see
  // FrameSum for the integer sum of whole frames). The loop below only reports, in the same
  // order. An observer that does not look at the frames lets whole FITS frames be read as
  // their values alone.
  WholeStore firstWhole;
  const bool firstIsWhole = firstAddend.WholeValues(firstWhole);
  FrameSum frameSum(accumulator.Width(), accumulator.Height(), context.fits);
  const auto isFirst = [&](size_t t) { return positions[t] == firstIndex; };
  const auto width = [&](size_t t, const ReadSlot& slot) {
    return isFirst(t) ? firstAddend.Width() : slot.Width();
  };
  const auto height = [&](size_t t, const ReadSlot& slot) {
    return isFirst(t) ? firstAddend.Height() : slot.Height();
  };
  const auto addable = [&](size_t t, const ReadSlot& slot) {
    // The sum is only defined pixel for pixel on frames of one size.
    return slot.read.ok() && width(t, slot) == accumulator.Width() &&
           height(t, slot) == accumulator.Height();
  };
  const auto add = [&](size_t t, ReadSlot& slot) {
    if (!addable(t, slot)) return;
    if (isFirst(t)) {
      if (firstIsWhole) {
        frameSum.AddColumns(firstWhole.data());
      } else {
        frameSum.AddExtended(firstAddend.Data().data());
      }
    } else if (slot.rowsOk) {
      frameSum.AddRows(slot.rows.values.data());
    } else if (slot.wholeOk) {
      frameSum.AddColumns(slot.whole.data());
    } else {
      frameSum.AddExtended(slot.frame.Data().data());
    }
  };
  const ReadWhat what = observer.WantsFrames() ? ReadWhat::WholeValues : ReadWhat::WholeRows;
  int k = 0;
  ReadInOrder(paths, context, what, add, [&](size_t t, const ReadSlot& slot) {
    const int p = positions[t];
    const std::string& path = items[static_cast<size_t>(p)].path;
    result.lastPosition = p + 1;
    observer.FrameLoaded(p, count, isFirst(t) ? firstAddend : slot.frame);
    if (!slot.read.ok()) {
      Warn(result.warnings, observer, ReadFailure(path, slot.read));
    } else if (!addable(t, slot)) {
      result.skipped.push_back(path);
      observer.Problem(Error(ErrorCode::FrameSizesDiffer)
                           .Path(path)
                           .Values({double(width(t, slot)), double(height(t, slot)),
                                    double(accumulator.Width()), double(accumulator.Height())}));
    } else {
      ++k;
    }
  });
  frameSum.WriteTo(sum.data());
  result.frames = k;
  if (k == 0) {
    result.status = Status::Fail(Error(ErrorCode::NoFrameUsable));
    return result;
  }
  for (Extended& v : sum) {
    if (v != 0) v /= k;
  }
  if (Status s = accumulator.SaveOrv(0, 0, accumulator.LastX, accumulator.LastY, target); !s) {
    result.status = s;
    return result;
  }
  result.compositePath = target;
  result.renamed = target != OutputPath(output.folder, designed);
  return result;
}

CompositeResult Composite(const std::vector<SeriesItem>& items, const AlignSettings& settings,
                          const LoadContext& context, const OutputFolder& alignOutput,
                          const AddOutput& addOutput, SeriesObserver& observer) {
  CompositeResult result;
  result.align = AlignList(items, settings, context, alignOutput, observer);
  if (!result.align.status) {
    result.status = result.align.status;
    return result;
  }
  result.bestOf =
      SortBestOf(TickedItems(result.align.list), BestOfMode::SignalToNoise, context, observer);
  result.add = AddList(result.bestOf.items, context, addOutput, observer);
  result.status = result.add.status;
  return result;
}

CompositeResult CompositeReductions(const std::vector<TableRowInput>& rows,
                                    const AlignSettings& settings, const LoadContext& context,
                                    const OutputFolder& alignOutput, const AddOutput& addOutput,
                                    SeriesObserver& observer) {
  CompositeResult result;
  result.align = AlignTable(rows, settings, context, alignOutput, observer);
  if (!result.align.status) {
    result.status = result.align.status;
    return result;
  }
  result.bestOf.items = TickedItems(result.align.list);
  result.add = AddList(result.bestOf.items, context, addOutput, observer);
  result.status = result.add.status;
  return result;
}

Extended ShellSortMedian(std::vector<Extended>& values) {
  const size_t m = values.size();
  if (m == 0) return 0;
  for (size_t gap = m / 2; gap >= 1; gap /= 2) {
    bool exchanged = true;
    while (exchanged) {
      exchanged = false;
      for (size_t i = 0; i + gap < m; ++i) {
        if (values[i] > values[i + gap]) {
          std::swap(values[i], values[i + gap]);
          exchanged = true;
        }
      }
    }
  }
  if (m % 2 == 1) return values[m / 2];
  return (values[m / 2 - 1] + values[m / 2]) / 2;
}

BiasResult MakeBias(const std::vector<std::string>& files, const FitsOptions& fits,
                    const OutputFolder& output, const std::string& name, SeriesObserver& observer) {
  BiasResult result;
  if (files.empty()) {
    result.status = Status::Fail(Error(ErrorCode::NoInput));
    return result;
  }
  const std::string outputPath = OutputPath(output, name);
  if (Status s = MayWrite(output, outputPath); !s) {
    result.status = s;
    return result;
  }
  const auto fail = [&](Status s) {
    // No bias from a failed command, and no stale bias file in the working folder either;
    // a file of the user's is never touched by a command that failed.
    if (output.programOwned) {
      if (Status removed = RemoveFile(outputPath); !removed && s) s = removed;
    }
    result.status = std::move(s);
    result.bias = OTrame();
    return result;
  };

  const int m = static_cast<int>(files.size());
  std::vector<OTrame> frames(files.size());
  for (int f = 0; f < m; ++f) {
    const std::string& path = files[static_cast<size_t>(f)];
    const LoadResult read = frames[static_cast<size_t>(f)].LoadFile(path, nullptr, fits, nullptr);
    observer.FrameLoaded(f, m, frames[static_cast<size_t>(f)]);
    if (!read.ok()) return fail(Status::Fail(ReadFailure(path, read)));
  }
  for (size_t f = 0; f < frames.size(); ++f) {
    const OTrame& frame = frames[f];
    if (frame.LastX != frames[0].LastX || frame.LastY != frames[0].LastY) {
      return fail(
          Status::Fail(Error(ErrorCode::FrameSizesDiffer)
                           .Path(files[f])
                           .Values({double(frame.Width()), double(frame.Height()),
                                    double(frames[0].Width()), double(frames[0].Height())})));
    }
  }

  OTrame combined = frames[0];
  if (m > 1) {
    std::vector<Extended> values(files.size());
    PixelStore& out = combined.Data();
    const size_t n = out.size();
    const size_t columnLength = static_cast<size_t>(combined.Height());
    for (size_t i = 0; i < n; ++i) {
      for (int f = 0; f < m; ++f)
        values[static_cast<size_t>(f)] = frames[static_cast<size_t>(f)].Data()[i];
      out[i] = ShellSortMedian(values);
      if (columnLength > 0 && (i + 1) % columnLength == 0) {
        observer.Progress(static_cast<int>((i + 1) / columnLength), combined.Width());
      }
    }
  }
  frames.clear();

  if (Status s = PrepareOutput(output); !s) return fail(s);
  if (output.programOwned) {
    if (Status s = RemoveFile(outputPath); !s) return fail(s);
  }
  if (Status s = combined.SaveOrv(0, 0, combined.LastX, combined.LastY, outputPath); !s)
    return fail(s);
  const LoadResult back = result.bias.LoadFile(outputPath, nullptr, fits, nullptr);
  if (!back.ok()) return fail(Status::Fail(ReadFailure(outputPath, back)));
  result.path = outputPath;
  result.frames = m;
  return result;
}

}  // namespace orvek
