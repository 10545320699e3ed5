#pragma once

#include <exception>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// What the window and the tool say about a design's models, free of any CAD
// kernel: the program asks for models through model_service.h and loads the
// kernel only then.

namespace wormpair::model {

// A design the model cannot be built for; the text is shown to the user.
class ModelError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A flank that is no smooth surface where it was to be fitted as one.
class RoughFlankError : public ModelError {
  public:
    using ModelError::ModelError;
};

enum class ModelPart { Worm, Wheel, Hob, Pair };
enum class WormKind { Ground, Nominal };

// What a slow build tells, and how it is stopped: plain C++, the window
// adapts its own progress window to it.
class BuildProgress {
  public:
    virtual ~BuildProgress() = default;
    virtual void report(int done, int total, std::string_view what) = 0;
    virtual bool cancelled() const = 0;
};

// Thrown when the user stopped a build.
class BuildCancelled : public std::exception {
  public:
    const char* what() const noexcept override { return "cancelled"; }
};

// Progress of one part inside a larger build (the pair: worm, then wheel).
class PartOfBuild : public BuildProgress {
  public:
    PartOfBuild(BuildProgress* whole, int offset, int total)
        : m_whole(whole), m_offset(offset), m_total(total) {}
    void report(int done, int, std::string_view what) override {
        if (m_whole) m_whole->report(m_offset + done, m_total, what);
    }
    bool cancelled() const override { return m_whole && m_whole->cancelled(); }

  private:
    BuildProgress* m_whole;
    int m_offset, m_total;
};

// The largest distance and normal angle between a fitted surface and the
// exact one it stands for.
struct SurfaceFitError {
    double distance = 0;     // mm
    double normalAngle = 0;  // radians

    void include(const SurfaceFitError& other);
};

enum class ModelFormat { Step, Stl, Csv };

// The format a file name asks for by its ending (.step, .stp, .stl, .csv,
// any case); empty for any other.
std::optional<ModelFormat> modelFormatOf(const std::string& fileName);

// The chord deviation of written STL files, mm.
inline constexpr double kStlDeviation = 0.02;

enum class InspectedFlank {
    WormFirst,   // the worm flank facing +Z1
    WormSecond,  // the worm flank facing -Z1
    HobFirst,
    HobSecond,
    Wheel,  // the wheel flank facing +y at the space on the x axis
};

struct GridSize {
    int rows = 9;     // along the length (worm, hob) or the width (wheel)
    int columns = 9;  // from the root towards the tip
};

// Reads "9x9" (rows x columns, 2 to 200 each); empty on a malformed text.
std::optional<GridSize> gridSizeFromText(const std::string& text);

// Chinese part and flank names as the window and the tool show them.
std::string partName(ModelPart part);
std::string inspectedFlankName(InspectedFlank flank);

}  // namespace wormpair::model
