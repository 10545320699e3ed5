// Pictures of the models for the README, rendered as the window's view does:
//   model_picture OUT.png pair|worm|wheel [WIDTH HEIGHT]
#include <QImage>
#include <numbers>

#include <cstdio>
#include <string>

#include "model/model_files.h"
#include "model/pair_model.h"
#include "model/render.h"
#include "model_designs.h"

int main(int argc, char* argv[]) {
    using namespace wormpair::model;
    if (argc < 3) return 2;
    const std::string what = argv[2];
    const int width = argc > 4 ? std::stoi(argv[3]) : 1200;
    const int height = argc > 4 ? std::stoi(argv[4]) : 760;
    const PairModeller modeller(shippedDesign("160", "45", "1"));
    const ModelPart part = what == "worm"    ? ModelPart::Worm
                           : what == "wheel" ? ModelPart::Wheel
                                             : ModelPart::Pair;
    const ModelBuild build = modeller.build(part, WormKind::Ground);
    std::vector<TriangleMesh> meshes;
    std::vector<Colour> colours;
    for (const PartModel& p : build.parts) {
        gp_Trsf lying;
        lying.SetRotation(gp::OX(), -std::numbers::pi / 2);
        const gp_Trsf shown = part == ModelPart::Pair ? p.placement
                              : p.name == "蜗轮"      ? gp_Trsf()
                                                      : lying;
        meshes.push_back(triangulate(p.shape.Moved(TopLoc_Location(shown)), 0.03));
        colours.push_back(p.name == "蜗轮" ? Colour{176, 112, 72} : Colour{196, 160, 96});
    }
    std::vector<SceneItem> scene;
    for (std::size_t k = 0; k < meshes.size(); ++k) scene.push_back({&meshes[k], colours[k]});
    ViewAngles view;
    view.yaw = part == ModelPart::Pair ? 0.75 : 0.5;
    view.pitch = part == ModelPart::Wheel ? 0.55 : 0.4;
    const Picture p = render(scene, view, width, height);
    const QImage image(p.rgb.data(), p.width, p.height, p.width * 3, QImage::Format_RGB888);
    return image.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
