#pragma once

#include <TopoDS_Shape.hxx>
#include <gp_Trsf.hxx>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/model_types.h"
#include "model/render.h"

// The bytes of the files a model is written to: STEP AP214 (named products,
// millimetres) and binary STL. Nothing here touches the disk: the caller
// hands the bytes to the program's one safe file replacement.

namespace wormpair::model {

struct NamedPart {
    std::string name;  // the product's name, UTF-8 (蜗杆, 蜗轮, 滚刀)
    TopoDS_Shape shape;
    gp_Trsf placement;  // from the part's own frame into the file's frame
};

// What a STEP file's header says it holds: the accuracy of its flanks.
std::string stepDescription();

// One part alone, or several placed in an assembly named assemblyName.
std::vector<std::uint8_t> stepBytes(const std::vector<NamedPart>& parts,
                                    const std::string& assemblyName);

// Binary STL of the placed parts' triangles within the chord deviation (mm).
std::vector<std::uint8_t> stlBytes(const std::vector<NamedPart>& parts, double deviation);

struct StepContents {
    TopoDS_Shape shape;              // every solid, as placed in the file
    std::vector<std::string> names;  // product names, UTF-8
};

// Reads STEP bytes back (the tests' independent route into the file).
StepContents readStep(const std::vector<std::uint8_t>& bytes);

// The shape's faces as triangles within the chord deviation (mm).
TriangleMesh triangulate(const TopoDS_Shape& shape, double deviation);

}  // namespace wormpair::model
