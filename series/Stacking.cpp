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

namespace fs = std::filesystem;

namespace orvek {

namespace {

std::string ReadFailure(const std::string& path, const LoadResult& read) {
  const std::string why = read.status == LoadStatus::UnknownExtension
                              ? std::string("unknown image extension")
                              : DebugText(read.AsStatus());
  return FileNameOf(path) + ": " + why;
}

void Warn(std::vector<std::string>& warnings, SeriesObserver& observer, const std::string& text) {
  warnings.push_back(text);
  observer.Warning(text);
}

bool SameFolder(const std::string& a, const std::string& b) {
  std::error_code ec;
  const bool same =
      fs::equivalent(fs::path(a.empty() ? "." : a), fs::path(b.empty() ? "." : b), ec);
  return !ec && same;
}

bool RemoveFile(const std::string& path) {
  std::error_code ec;
  return fs::remove(path, ec) && !ec;
}

// ClearFolder that spares the files about to be read: a list opened from the output
// folder itself would otherwise lose its inputs before they are read.
void ClearFolderExcept(const std::string& folder, const std::string& mask,
                       const std::vector<std::string>& inputs) {
  for (const std::string& name : ListFiles(folder, mask)) {
    const std::string path = folder + name;
    bool input = false;
    for (const std::string& in : inputs) {
      std::error_code ec;
      if (FileExists(in) && fs::equivalent(path, in, ec) && !ec) {
        input = true;
        break;
      }
    }
    if (!input) RemoveFile(path);
  }
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
                        const AlignOutput& output, SeriesObserver& observer) {
  AlignResult result;
  if (inputs.empty()) {
    result.status = Status::Error("nothing to align");
    return result;
  }
  if (settings.size < 1) {
    result.status = Status::Error("crop size " + std::to_string(settings.size) +
                                  " is not a positive number of pixels");
    return result;
  }
  const std::string& folder = output.folder;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (UpperExtension(inputs.front().source) != ".ORVA") {
    std::vector<std::string> toRead;
    for (const AlignInput& in : inputs)
      if (in.ticked || tableMode) toRead.push_back(in.source);
    ClearFolderExcept(folder, output.clearMask, toRead);
  }
  const std::string outputExt = tableMode ? ".orvr" : ".orva";
  const int count = static_cast<int>(inputs.size());
  LoadedFrame loaded;

  for (int p = 0; p < count; ++p) {
    const AlignInput& in = inputs[static_cast<size_t>(p)];
    if (!tableMode && !in.ticked) {
      // Re-aligning aligned frames drops the crops the user unticked.
      if (IsOrvExtension(UpperExtension(in.source)) && SameFolder(FolderOf(in.source), folder) &&
          FileExists(in.source) && RemoveFile(in.source)) {
        result.deleted.push_back(in.source);
      }
      continue;
    }
    const std::string target = folder + BaseNameOf(in.source) + outputExt;
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
      Warn(result.warnings, observer, FileNameOf(in.source) + ": " + DebugText(s));
      continue;
    }
    if (Status s = loaded.frame.SaveOrv(done.window.left, done.window.top, done.window.right,
                                        done.window.bottom, target);
        !s) {
      Warn(result.warnings, observer, DebugText(s));
      continue;
    }
    done.output = target;
    result.frames.push_back(std::move(done));
  }

  if (tableMode) {
    ClearFolder(folder, "*.orva");
    RenameExtensions(folder, ".orvr", ".orva");
    for (AlignedFrame& f : result.frames) f.output = ChangeExtension(f.output, ".orva");
  }
  for (const std::string& name : ListFiles(folder, output.listMask)) {
    result.list.push_back(folder + name);
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
  if (size < 1) return Status::Error("crop size " + std::to_string(size) + " is below 1");
  if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e9L || std::fabs(y) > 1e9L)
    return Status::Error("crop centre out of range");
  const int64_t c = Trunc(x);
  const int64_t r = Trunc(y);
  const int64_t left = c - size / 2 + offsetX;
  const int64_t top = r - size / 2 + offsetY;
  const int64_t right = left + size - 1;
  const int64_t bottom = top + size - 1;
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  if (left < kMin || top < kMin || right > kMax || bottom > kMax)
    return Status::Error("crop window out of range");
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
                      const LoadContext& context, const AlignOutput& output,
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
                       const LoadContext& context, const AlignOutput& output,
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
    TableRowInput row;
    row.path = table.Cell(r, kColPath) + table.Cell(r, kColImage);
    for (auto [col, value] : {std::pair{kColXA, &row.xA}, std::pair{kColYA, &row.yA}}) {
      if (!ParseNumber(table.Cell(r, col), *value))
        return Status::Error("Row " + std::to_string(r) + ", column \"" + kRawHeaders[col] +
                             "\": \"" + table.Cell(r, col) + "\" is not a number");
    }
    out.push_back(std::move(row));
  }
  rows = std::move(out);
  return Status::Ok();
}

std::string CompositeName(int lastPosition, const std::string& firstPath) {
  char number[32];
  std::snprintf(number, sizeof number, "%.4d", lastPosition);
  return std::string("ad") + number + "_" + BaseNameOf(firstPath) + ".orvc";
}

std::string AddResult::SkippedText() const {
  std::string text;
  if (!skipped.empty()) {
    text += std::to_string(skipped.size()) +
            " image(s) d'une autre taille que la première n'ont pas été additionnées :";
    for (const std::string& s : skipped) text += "\r\n" + FileNameOf(s);
  }
  if (!warnings.empty()) {
    if (!text.empty()) text += "\r\n";
    text += std::to_string(warnings.size()) + " image(s) illisible(s) :";
    for (const std::string& s : warnings) text += "\r\n" + s;
  }
  return text;
}

AddResult AddList(const std::vector<SeriesItem>& items, const LoadContext& context,
                  const AddOutput& output, SeriesObserver& observer) {
  AddResult result;
  const int firstIndex = FirstTickedIndex(items);
  if (firstIndex < 0) {
    result.status = Status::Error("no ticked image to add");
    return result;
  }
  result.firstPath = items[static_cast<size_t>(firstIndex)].path;
  std::error_code ec;
  fs::create_directories(output.folder, ec);
  std::vector<std::string> toRead;
  for (const SeriesItem& item : items)
    if (item.ticked) toRead.push_back(item.path);
  ClearFolderExcept(output.folder, output.clearMask, toRead);

  const int count = static_cast<int>(items.size());
  LoadedFrame first;
  const LoadResult firstRead = LoadAndMeasure(result.firstPath, context, first);
  if (!firstRead.ok()) {
    observer.FrameLoaded(firstIndex, count, first.frame);
    result.status = Status::Error(ReadFailure(result.firstPath, firstRead));
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
  // The frames are read ahead on worker threads, and each is added there as soon as the
  // frames before it are: in list order, so the sum is the same as one read after the
  // other. While every frame holds whole values (camera frames without a bias), the sum is
  // kept in 64-bit integers: every partial sum is then exact, as it is in the extended sum,
  // so the two agree bit for bit; the first frame that is not whole hands the integer sum
  // over to the extended one. The loop below only reports, in the same order.
  WholeStore firstWhole;
  std::vector<int64_t> wholeSum;
  const bool firstIsWhole = firstAddend.WholeValues(firstWhole);
  bool summingWhole = firstIsWhole;
  if (summingWhole) wholeSum.assign(sum.size(), 0);
  const auto handOver = [&] {
    for (size_t i = 0; i < sum.size(); ++i) StoreIntegerExtended(wholeSum[i], &sum[i]);
    summingWhole = false;
    std::vector<int64_t>().swap(wholeSum);
  };
  const auto isFirst = [&](size_t t) { return positions[t] == firstIndex; };
  const auto addable = [&](size_t t, const ReadSlot& slot) {
    const OTrame& frame = isFirst(t) ? firstAddend : slot.frame;
    // The sum is only defined pixel for pixel on frames of one size.
    return slot.read.ok() && frame.LastX == accumulator.LastX && frame.LastY == accumulator.LastY;
  };
  const auto add = [&](size_t t, ReadSlot& slot) {
    if (!addable(t, slot)) return;
    const size_t n = sum.size();
    const bool whole = isFirst(t) ? firstIsWhole : slot.wholeOk;
    if (summingWhole && !whole) handOver();
    if (summingWhole) {
      const int32_t* frameValues = isFirst(t) ? firstWhole.data() : slot.whole.data();
      int64_t* acc = wholeSum.data();
      for (size_t i = 0; i < n; ++i) acc[i] += frameValues[i];
    } else {
      const Extended* frameValues = (isFirst(t) ? firstAddend : slot.frame).Data().data();
      Extended* acc = sum.data();
      for (size_t i = 0; i < n; ++i) acc[i] += frameValues[i];
    }
  };
  int k = 0;
  ReadInOrder(paths, context, true, add, [&](size_t t, const ReadSlot& slot) {
    const int p = positions[t];
    const std::string& path = items[static_cast<size_t>(p)].path;
    result.lastPosition = p + 1;
    const OTrame& frame = isFirst(t) ? firstAddend : slot.frame;
    observer.FrameLoaded(p, count, frame);
    if (!slot.read.ok()) {
      Warn(result.warnings, observer, ReadFailure(path, slot.read));
    } else if (!addable(t, slot)) {
      result.skipped.push_back(path);
      observer.Warning(FileNameOf(path) + ": " + std::to_string(frame.Width()) + " x " +
                       std::to_string(frame.Height()) + " pixels instead of " +
                       std::to_string(accumulator.Width()) + " x " +
                       std::to_string(accumulator.Height()) + ": not added");
    } else {
      ++k;
    }
  });
  if (summingWhole) handOver();  // every entry was added before it was consumed
  result.frames = k;
  if (k == 0) {
    result.status = Status::Error("no image could be added");
    return result;
  }
  for (Extended& v : sum) {
    if (v != 0) v /= k;
  }
  const std::string path = output.folder + CompositeName(result.lastPosition, result.firstPath);
  if (Status s = accumulator.SaveOrv(0, 0, accumulator.LastX, accumulator.LastY, path); !s) {
    result.status = s;
    return result;
  }
  result.compositePath = path;
  return result;
}

CompositeResult Composite(const std::vector<SeriesItem>& items, const AlignSettings& settings,
                          const LoadContext& context, const AlignOutput& alignOutput,
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
                                    const AlignOutput& alignOutput, const AddOutput& addOutput,
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
                    const std::string& outputPath, SeriesObserver& observer) {
  BiasResult result;
  if (files.empty()) {
    result.status = Status::Error("no dark frame chosen");
    return result;
  }
  const auto fail = [&](Status s) {
    // No bias from a failed command, and no stale bias file either.
    RemoveFile(outputPath);
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
    if (!read.ok()) return fail(Status::Error(ReadFailure(path, read)));
  }
  for (const OTrame& frame : frames) {
    if (frame.LastX != frames[0].LastX || frame.LastY != frames[0].LastY)
      return fail(Status::Error(kBiasSizeMessage));
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

  RemoveFile(outputPath);
  if (Status s = combined.SaveOrv(0, 0, combined.LastX, combined.LastY, outputPath); !s)
    return fail(s);
  const LoadResult back = result.bias.LoadFile(outputPath, nullptr, fits, nullptr);
  if (!back.ok()) return fail(Status::Error(ReadFailure(outputPath, back)));
  result.path = outputPath;
  result.frames = m;
  return result;
}

}  // namespace orvek
