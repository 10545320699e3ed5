#include "model/model_files.h"

#include "model/surface_fit.h"

#include <APIHeaderSection_MakeHeader.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_PrinterOStream.hxx>
#include <Poly_Triangulation.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_Writer.hxx>
#include <StepData_Protocol.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_StepWriter.hxx>
#include <TCollection_ExtendedString.hxx>
#include <TCollection_HAsciiString.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Face.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <XSControl_WorkSession.hxx>
#include <numbers>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sstream>

#include "model/enveloping.h"
#include "model/render.h"

namespace wormpair::model {

namespace {

// The translator's settings are process-wide: one writer or reader at a time.
std::mutex& translatorMutex() {
    static std::mutex m;
    return m;
}

// The translators report their statistics on standard output; the
// command-line tool's output is its own.
void silenceTranslators() {
    static const bool silenced = [] {
        Message::DefaultMessenger()->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
        return true;
    }();
    (void)silenced;
}

Handle(TDocStd_Document) newDocument() {
    Handle(TDocStd_Document) doc;
    XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", doc);
    return doc;
}

void setName(const TDF_Label& label, const std::string& name) {
    TDataStd_Name::Set(label, TCollection_ExtendedString(name.c_str(), Standard_True));
}

}  // namespace

std::string stepDescription() {
    char text[160];
    std::snprintf(text, sizeof text,
                  "蜗杆副三维模型：齿面与精确齿面之差不大于 %g mm，法向之差不大于 %g°",
                  kFlankDistanceTarget, kFlankNormalTarget * 180 / std::numbers::pi);
    return text;
}

std::vector<std::uint8_t> stepBytes(const std::vector<NamedPart>& parts,
                                    const std::string& assemblyName) {
    const std::lock_guard<std::mutex> lock(translatorMutex());
    silenceTranslators();
    Handle(TDocStd_Document) doc = newDocument();
    Handle(XCAFDoc_ShapeTool) shapes = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
    if (parts.size() == 1 && assemblyName.empty()) {
        const TDF_Label label = shapes->AddShape(parts[0].shape, Standard_False);
        setName(label, parts[0].name);
    } else {
        const TDF_Label assembly = shapes->NewShape();
        setName(assembly, assemblyName);
        for (const NamedPart& part : parts) {
            const TDF_Label label = shapes->AddShape(part.shape, Standard_False);
            setName(label, part.name);
            const TDF_Label component =
                shapes->AddComponent(assembly, label, TopLoc_Location(part.placement));
            setName(component, part.name);
        }
        shapes->UpdateAssemblies();
    }
    STEPCAFControl_Writer writer;
    Interface_Static::SetCVal("write.step.schema", "AP214IS");
    Interface_Static::SetCVal("write.step.unit", "MM");
    Interface_Static::SetIVal("write.surfacecurve.mode", 0);
    writer.SetNameMode(Standard_True);
    if (!writer.Transfer(doc, STEPControl_AsIs)) throw ModelError("STEP 转换失败");
    // written to memory: the caller replaces the file safely
    Handle(XSControl_WorkSession) session = writer.ChangeWriter().WS();
    Handle(StepData_StepModel) stepModel = Handle(StepData_StepModel)::DownCast(session->Model());
    Handle(StepData_Protocol) protocol = Handle(StepData_Protocol)::DownCast(stepModel->Protocol());
    if (stepModel.IsNull() || protocol.IsNull()) throw ModelError("STEP 转换失败");
    // what the file promises, for whoever opens it (UTF-8, as the products' names)
    APIHeaderSection_MakeHeader header(stepModel);
    header.SetDescriptionValue(1, new TCollection_HAsciiString(stepDescription().c_str()));
    header.Apply(stepModel);
    StepData_StepWriter stepWriter(stepModel);
    stepWriter.SendModel(protocol);
    std::ostringstream out;
    if (!stepWriter.Print(out)) throw ModelError("STEP 写出失败");
    const std::string text = out.str();
    XCAFApp_Application::GetApplication()->Close(doc);
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> stlBytes(const std::vector<NamedPart>& parts, double deviation) {
    TriangleMesh mesh;
    for (const NamedPart& part : parts) {
        mesh.append(
            triangulate(BRepBuilderAPI_Transform(part.shape, part.placement, Standard_True).Shape(),
                        deviation));
    }
    std::vector<std::uint8_t> bytes(84 + 50 * mesh.triangles.size(), 0);
    const char header[] = "wormpair STL, millimetres";
    std::memcpy(bytes.data(), header, sizeof header - 1);
    const auto count = static_cast<std::uint32_t>(mesh.triangles.size());
    std::memcpy(&bytes[80], &count, 4);  // little-endian on every machine we build for
    std::size_t at = 84;
    const auto put = [&](const Vec3& v) {
        const float xyz[3] = {static_cast<float>(v.x), static_cast<float>(v.y),
                              static_cast<float>(v.z)};
        std::memcpy(&bytes[at], xyz, 12);
        at += 12;
    };
    for (const auto& t : mesh.triangles) {
        const Vec3 &a = mesh.vertices[t[0]], &b = mesh.vertices[t[1]], &c = mesh.vertices[t[2]];
        const Vec3 n = cross(b - a, c - a);
        put(norm(n) > 0 ? normalized(n) : Vec3{0, 0, 0});
        put(a);
        put(b);
        put(c);
        at += 2;
    }
    return bytes;
}

StepContents readStep(const std::vector<std::uint8_t>& bytes) {
    const std::lock_guard<std::mutex> lock(translatorMutex());
    silenceTranslators();
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    STEPCAFControl_Reader reader;
    reader.SetNameMode(Standard_True);
    if (reader.ChangeReader().ReadStream("model.step", in) != IFSelect_RetDone)
        throw ModelError("STEP 读取失败");
    Handle(TDocStd_Document) doc = newDocument();
    if (!reader.Transfer(doc)) throw ModelError("STEP 转换失败");
    Handle(XCAFDoc_ShapeTool) shapes = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
    StepContents contents;
    TDF_LabelSequence free;
    shapes->GetFreeShapes(free);
    BRep_Builder builder;
    TopoDS_Compound all;
    builder.MakeCompound(all);
    for (int k = 1; k <= free.Length(); ++k) builder.Add(all, shapes->GetShape(free.Value(k)));
    contents.shape = all;
    TDF_LabelSequence labels;
    shapes->GetShapes(labels);
    for (int k = 1; k <= labels.Length(); ++k) {
        Handle(TDataStd_Name) name;
        if (labels.Value(k).FindAttribute(TDataStd_Name::GetID(), name)) {
            const TCollection_ExtendedString& text = name->Get();
            std::string utf8(static_cast<std::size_t>(text.LengthOfCString()), '\0');
            Standard_PCharacter buffer = utf8.data();
            text.ToUTF8CString(buffer);
            utf8.resize(std::strlen(utf8.c_str()));
            contents.names.push_back(utf8);
        }
    }
    XCAFApp_Application::GetApplication()->Close(doc);
    return contents;
}

TriangleMesh triangulate(const TopoDS_Shape& shape, double deviation) {
    BRepMesh_IncrementalMesh mesher(shape, deviation, Standard_False, 0.2, Standard_True);
    TriangleMesh mesh;
    for (TopExp_Explorer e(shape, TopAbs_FACE); e.More(); e.Next()) {
        const TopoDS_Face& face = TopoDS::Face(e.Current());
        TopLoc_Location location;
        const Handle(Poly_Triangulation) t = BRep_Tool::Triangulation(face, location);
        if (t.IsNull()) continue;
        const gp_Trsf placement = location.Transformation();
        const auto first = static_cast<std::uint32_t>(mesh.vertices.size());
        for (int k = 1; k <= t->NbNodes(); ++k) {
            const gp_Pnt p = t->Node(k).Transformed(placement);
            mesh.vertices.push_back({p.X(), p.Y(), p.Z()});
            mesh.normals.push_back({0, 0, 0});
        }
        const bool reversed = face.Orientation() == TopAbs_REVERSED;
        for (int k = 1; k <= t->NbTriangles(); ++k) {
            int a, b, c;
            t->Triangle(k).Get(a, b, c);
            if (reversed) std::swap(b, c);
            const std::array<std::uint32_t, 3> tri{first + static_cast<std::uint32_t>(a - 1),
                                                   first + static_cast<std::uint32_t>(b - 1),
                                                   first + static_cast<std::uint32_t>(c - 1)};
            mesh.triangles.push_back(tri);
            // area-weighted face normals, summed at the face's own vertices
            const Vec3 n = cross(mesh.vertices[tri[1]] - mesh.vertices[tri[0]],
                                 mesh.vertices[tri[2]] - mesh.vertices[tri[0]]);
            for (std::uint32_t v : tri) mesh.normals[v] += n;
        }
    }
    for (Vec3& n : mesh.normals) {
        const double length = norm(n);
        n = length > 0 ? n / length : Vec3{0, 0, 1};
    }
    return mesh;
}

}  // namespace wormpair::model
