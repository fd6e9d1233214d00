// The include edges that must never exist: every include line of the library
// and the platform is checked against a table of forbidden edges, and a table
// of planted lines shows that each edge is guarded by its own rule (each plant
// is caught by exactly one edge, so dropping any rule lets a plant through).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "Pelrith.h"

namespace {

namespace fs = std::filesystem;

enum class Spelling { kQuoted, kAngled };

// One include line: the file that holds it (relative to the source tree)
// and the header it names.
struct IncludeLine {
  std::string file;
  std::string header;
  Spelling spelling = Spelling::kQuoted;
};

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The folder of `path` right below `root` ("library/interchange/tiff/x.cpp"
// below "library/interchange/" is "tiff"); empty when the path is not there.
std::string FolderBelow(std::string_view path, std::string_view root) {
  if (!StartsWith(path, root)) return {};
  const std::string_view rest = path.substr(root.size());
  const size_t slash = rest.find('/');
  return slash == std::string_view::npos ? std::string() : std::string(rest.substr(0, slash));
}

bool IsTestFile(std::string_view path) { return path.find("/tests/") != std::string_view::npos; }

bool NamesLibraryApi(const IncludeLine& line) {
  return line.spelling == Spelling::kQuoted && (StartsWith(line.header, "api/") || line.header == "Pelrith.h");
}

bool NamesLibraryInternals(const IncludeLine& line) {
  return line.spelling == Spelling::kQuoted &&
         (StartsWith(line.header, "core/") || StartsWith(line.header, "interchange/") ||
          StartsWith(line.header, "library/") || NamesLibraryApi(line));
}

// The tiers of the interchange, bottom up: the floor every folder may use;
// the compression coders, which file formats use for their coded data; the
// file formats (every folder not named here); the fronts (tables, dispatch,
// identification, caller-memory bitmaps), which may use all of them. A
// folder uses its own tier only within itself. The tests of a coder or a
// format may drive it through the fronts.
enum class Tier { kFloor, kCoder, kFormat, kFront };

constexpr std::array<std::string_view, 3> kInterchangeFloor = {"io", "common", "rows"};
constexpr std::array<std::string_view, 3> kInterchangeCoders = {"packbits", "one_bit_runs", "fax"};
constexpr std::array<std::string_view, 3> kInterchangeFronts = {"dispatch", "identify", "dib"};

template <size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

Tier TierOf(std::string_view folder) {
  if (Contains(kInterchangeFloor, folder)) return Tier::kFloor;
  if (Contains(kInterchangeCoders, folder)) return Tier::kCoder;
  if (Contains(kInterchangeFronts, folder)) return Tier::kFront;
  return Tier::kFormat;
}

// The interchange folder a quoted include names ("interchange/tiff/x.h" ->
// "tiff"); empty for any other header.
std::string InterchangeFolderOf(const IncludeLine& line) {
  if (line.spelling != Spelling::kQuoted) return {};
  return FolderBelow(line.header, "interchange/");
}

// The platform services the library may use: the kernel's memory, files,
// atomic and temporary files and log, its types, and the packed-bitmap header
// checks that the library and the drawing layer share. The fault-injection
// hook is turned by tests only.
constexpr std::array<std::string_view, 7> kKernelServices = {
    "plat/files.h",    "plat/global_memory.h", "plat/atomic_file.h", "plat/temp_file.h",
    "plat/log_file.h", "plat/types.h",         "plat/packed_dib.h"};
constexpr std::string_view kKernelTestHook = "plat/fault_injection.h";

// System headers of windowing toolkits, X11 and scanners.
constexpr std::array<std::string_view, 10> kWindowingHeaders = {"Qt",   "QtGui/", "QtCore/", "QtWidgets/", "X11/",
                                                                "xcb/", "sane/",  "gtk/",    "gdk/",       "wayland-"};

bool NamesWindowingHeader(const IncludeLine& line) {
  if (line.spelling != Spelling::kAngled) return false;
  for (const std::string_view prefix : kWindowingHeaders) {
    if (StartsWith(line.header, prefix)) return true;
  }
  // Qt's class headers: <QImage>, <QGuiApplication>.
  return line.header.size() > 1 && line.header[0] == 'Q' && std::isupper(static_cast<unsigned char>(line.header[1]));
}

struct Edge {
  const char* name;
  bool (*crosses)(const IncludeLine& line);
};

const Edge kForbiddenEdges[] = {
    {"core includes interchange or api",
     [](const IncludeLine& l) {
       return StartsWith(l.file, "library/core/") && l.spelling == Spelling::kQuoted &&
              (StartsWith(l.header, "interchange/") || NamesLibraryApi(l));
     }},
    {"interchange includes api",
     [](const IncludeLine& l) { return StartsWith(l.file, "library/interchange/") && NamesLibraryApi(l); }},
    {"library includes a windowing toolkit, X11 or SANE",
     [](const IncludeLine& l) { return StartsWith(l.file, "library/") && NamesWindowingHeader(l); }},
    {"library includes the platform beyond its kernel services",
     [](const IncludeLine& l) {
       if (!StartsWith(l.file, "library/") || !StartsWith(l.header, "plat/")) return false;
       if (Contains(kKernelServices, l.header)) return false;
       return !(l.header == kKernelTestHook && IsTestFile(l.file));
     }},
    {"platform includes the library",
     [](const IncludeLine& l) { return StartsWith(l.file, "platform/") && NamesLibraryInternals(l); }},
    {"interchange tier includes a higher tier",
     [](const IncludeLine& l) {
       const std::string from = FolderBelow(l.file, "library/interchange/");
       const std::string to = InterchangeFolderOf(l);
       if (from.empty() || to.empty()) return false;
       // Tests may reach the fronts; nothing reaches up otherwise.
       if (TierOf(to) == Tier::kFront && IsTestFile(l.file)) return false;
       return TierOf(to) > TierOf(from);
     }},
    {"interchange folder includes a sibling of its tier",
     [](const IncludeLine& l) {
       const std::string from = FolderBelow(l.file, "library/interchange/");
       const std::string to = InterchangeFolderOf(l);
       if (from.empty() || to.empty() || from == to) return false;
       const Tier tier = TierOf(from);
       return tier != Tier::kFloor && tier != Tier::kFront && TierOf(to) == tier;
     }},
};

std::vector<std::string> EdgesCrossed(const IncludeLine& line) {
  std::vector<std::string> names;
  for (const Edge& edge : kForbiddenEdges) {
    if (edge.crosses(line)) names.emplace_back(edge.name);
  }
  return names;
}

// Every include line of the C and C++ files below `folder`.
void CollectIncludes(const fs::path& root, const fs::path& folder, std::vector<IncludeLine>& out) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / folder)) {
    if (!entry.is_regular_file()) continue;
    const std::string ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cpp" && ext != ".c" && ext != ".cc") continue;
    std::ifstream in(entry.path());
    const std::string file = fs::relative(entry.path(), root).generic_string();
    std::string text;
    std::smatch match;
    while (std::getline(in, text)) {
      if (!std::regex_search(text, match, kInclude)) continue;
      out.push_back({file, match[2].str(), match[1].str() == "<" ? Spelling::kAngled : Spelling::kQuoted});
    }
  }
}

struct PlantedCase {
  const char* file;
  const char* header;
  Spelling spelling;
  const char* edge;  // null: the line is allowed
};

const PlantedCase kPlanted[] = {
    {"library/core/objects/tuple.cpp", "interchange/io/byte_reader.h", Spelling::kQuoted,
     "core includes interchange or api"},
    {"library/core/limits.cpp", "Pelrith.h", Spelling::kQuoted, "core includes interchange or api"},
    {"library/interchange/tiff/tiff_reader.cpp", "api/frame/call_frame.h", Spelling::kQuoted,
     "interchange includes api"},
    {"library/interchange/io/byte_reader.cpp", "Pelrith.h", Spelling::kQuoted, "interchange includes api"},
    {"library/api/read/read_images.cpp", "QtGui/QImage", Spelling::kAngled,
     "library includes a windowing toolkit, X11 or SANE"},
    {"library/core/limits.cpp", "X11/Xlib.h", Spelling::kAngled, "library includes a windowing toolkit, X11 or SANE"},
    {"library/interchange/png/png_reader.cpp", "sane/sane.h", Spelling::kAngled,
     "library includes a windowing toolkit, X11 or SANE"},
    {"library/api/frame/call_frame.cpp", "QGuiApplication", Spelling::kAngled,
     "library includes a windowing toolkit, X11 or SANE"},
    {"library/api/frame/call_frame.cpp", "plat/forms/component.h", Spelling::kQuoted,
     "library includes the platform beyond its kernel services"},
    {"library/core/system/system.cpp", "plat/handle_table.h", Spelling::kQuoted,
     "library includes the platform beyond its kernel services"},
    {"library/interchange/bmp/bmp_reader.cpp", "plat/fault_injection.h", Spelling::kQuoted,
     "library includes the platform beyond its kernel services"},
    {"platform/kernel/files.cpp", "core/limits.h", Spelling::kQuoted, "platform includes the library"},
    {"platform/forms/tests/streams_test.cpp", "Pelrith.h", Spelling::kQuoted, "platform includes the library"},
    {"library/interchange/common/object_io.cpp", "interchange/bmp/bmp_codec.h", Spelling::kQuoted,
     "interchange tier includes a higher tier"},
    {"library/interchange/rows/bmp_rows.cpp", "interchange/packbits/packbits.h", Spelling::kQuoted,
     "interchange tier includes a higher tier"},
    {"library/interchange/packbits/packbits.cpp", "interchange/tiff/tiff_tags.h", Spelling::kQuoted,
     "interchange tier includes a higher tier"},
    {"library/interchange/gif/gif_reader.cpp", "interchange/dispatch/read_front.h", Spelling::kQuoted,
     "interchange tier includes a higher tier"},
    {"library/interchange/tiff/tiff_reader.cpp", "interchange/bmp/bmp_codec.h", Spelling::kQuoted,
     "interchange folder includes a sibling of its tier"},
    {"library/interchange/fax/fax.cpp", "interchange/one_bit_runs/one_bit_runs.h", Spelling::kQuoted,
     "interchange folder includes a sibling of its tier"},
    {"library/interchange/png/tests/png_test.cpp", "interchange/gif/gif_file.h", Spelling::kQuoted,
     "interchange folder includes a sibling of its tier"},
    // Allowed lines.
    {"library/interchange/tiff/tiff_writer.cpp", "interchange/rows/bilevel_rows.h", Spelling::kQuoted, nullptr},
    {"library/interchange/pcx/pcx_reader.cpp", "interchange/common/object_bytes.h", Spelling::kQuoted, nullptr},
    {"library/interchange/rows/bmp_rows.cpp", "interchange/io/byte_reader.h", Spelling::kQuoted, nullptr},
    {"library/interchange/dispatch/format_table.cpp", "interchange/tiff/tiff_reader.h", Spelling::kQuoted, nullptr},
    {"library/interchange/identify/image_count.cpp", "interchange/dispatch/read_dispatch.h", Spelling::kQuoted,
     nullptr},
    {"library/interchange/kol1/kol1_readers.cpp", "interchange/one_bit_runs/one_bit_run_stream.h", Spelling::kQuoted,
     nullptr},
    {"library/interchange/gif/tests/gif_file_test.cpp", "interchange/dispatch/read_front.h", Spelling::kQuoted,
     nullptr},
    {"library/interchange/gif/gif_reader.cpp", "interchange/gif/interlace_rows.h", Spelling::kQuoted, nullptr},
    {"library/interchange/bmp/bmp_reader.cpp", "core/objects/object.h", Spelling::kQuoted, nullptr},
    {"library/api/read/image_file.cpp", "interchange/tiff/tiff_source.h", Spelling::kQuoted, nullptr},
    {"library/core/streams/stream.cpp", "plat/files.h", Spelling::kQuoted, nullptr},
    {"library/api/write/tests/generate_and_write_test.cpp", "plat/fault_injection.h", Spelling::kQuoted, nullptr},
    {"library/api/include/Pelrith.h", "plat/global_memory.h", Spelling::kQuoted, nullptr},
    {"library/interchange/jpeg_lib/jpeg_lib_reader.cpp", "jpeglib.h", Spelling::kAngled, nullptr},
    {"platform/kernel/files.cpp", "plat/files.h", Spelling::kQuoted, nullptr},
};

TEST(Layering, EachForbiddenEdgeCatchesItsPlantedInclude) {
  for (const PlantedCase& plant : kPlanted) {
    SCOPED_TRACE(std::string(plant.file) + " -> " + plant.header);
    const std::vector<std::string> crossed = EdgesCrossed({plant.file, plant.header, plant.spelling});
    if (plant.edge == nullptr) {
      EXPECT_TRUE(crossed.empty()) << "caught by " << crossed.front();
    } else {
      // Exactly this edge: without its rule the plant would go through.
      EXPECT_EQ(crossed, std::vector<std::string>{plant.edge});
    }
  }
  for (const Edge& edge : kForbiddenEdges) {
    const bool planted = std::any_of(std::begin(kPlanted), std::end(kPlanted), [&](const PlantedCase& plant) {
      return plant.edge != nullptr && std::string_view(plant.edge) == edge.name;
    });
    EXPECT_TRUE(planted) << "no planted include for \"" << edge.name << "\"";
  }
}

TEST(Layering, NoIncludeOfTheTreeCrossesAForbiddenEdge) {
  const fs::path root = PELRITH_SOURCE_DIR;
  std::vector<IncludeLine> lines;
  CollectIncludes(root, "library", lines);
  CollectIncludes(root, "platform", lines);
  // A walk that found nothing would pass for the wrong reason.
  ASSERT_TRUE(std::any_of(lines.begin(), lines.end(), [](const IncludeLine& l) {
    return l.file == "library/interchange/tiff/tiff_reader.cpp" && l.header == "interchange/io/chain_guard.h";
  }));
  for (const IncludeLine& line : lines) {
    for (const std::string& edge : EdgesCrossed(line)) {
      ADD_FAILURE() << line.file << " includes " << line.header << ": " << edge;
    }
  }
}

// Built against the shared library's interface alone: the public header is
// reachable, the library's internals are not.
TEST(Layering, SharedLibraryShowsThePublicHeaderOnly) {
#if __has_include("core/limits.h") || __has_include("interchange/io/byte_reader.h") || \
                                                    __has_include("api/frame/call_frame.h")
  constexpr bool kSeesInternals = true;
#else
  constexpr bool kSeesInternals = false;
#endif
  EXPECT_FALSE(kSeesInternals);
  // And the entry points resolve from the shared library: a missing file is
  // refused, not identified.
  int32_t status = 0;
  const int32_t format = CmiInquireFileFormat("/nonexistent/layering.tif", nullptr, 0, &status);
  EXPECT_NE(status, 0) << "format " << format;
}

}  // namespace
