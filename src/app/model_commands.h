#pragma once

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/model_view.h"
#include "model/model_service.h"
#include "platform/platform.h"

class QWidget;

namespace wormpair {

class DesignController;
class MainForm;
class ModelWindow;
struct ProgramLayout;

// The flank, the worm and the grid the 测量点… command writes.
struct InspectionRequest {
    model::InspectedFlank flank = model::InspectedFlank::WormFirst;
    model::WormKind worm = model::WormKind::Ground;
    model::GridSize grid;
};

// The menu 三维模型: a part (or the pair) of the calculated design built away
// from the window's thread with a progress window, shown in a window that
// turns and zooms it and exports it as STEP or STL; and the inspection
// points of one flank as CSV. Every file goes through the one safe file
// replacement.
class ModelCommands {
  public:
    ModelCommands(const Platform& platform, const MainForm& form, const DesignController& design,
                  const ProgramLayout& layout, QWidget* parent);
    ~ModelCommands();

    void showPart(model::ModelPart part);
    void exportInspectionPoints();

    // Builds the part for the window (false: cancelled or refused, the
    // reason shown); the built parts are kept for the exports and shown
    // again without a build while the design stays the same.
    bool build(model::ModelPart part, model::WormKind worm);
    // Lets the kept parts go when the design on display is no longer theirs
    // (a calculation changed it), so that they hold no memory meanwhile.
    void releaseOtherDesigns();
    // Asks for the file and writes the built model (STEP or STL by ending).
    bool exportBuilt(model::ModelFormat format);

    // The window of the last part shown (nullptr before).
    ModelWindow* window() const { return m_window; }
    const model::BuiltModel* built() const { return m_built.get(); }

    // Tests answer the 测量点 dialog; nullptr restores the dialog.
    using InspectionChooser = std::function<std::optional<InspectionRequest>()>;
    void setInspectionChooser(InspectionChooser chooser) { m_chooser = std::move(chooser); }

    // The triangles of the last build for the view (moved out).
    std::vector<ModelView::Item> takeViewItems();

  private:
    // The models of the design as it stands; the kept parts of another
    // design are dropped first.
    model::DesignModels& modelsFor(const DesignSnapshot& design);
    std::optional<InspectionRequest> chooseInspection();
    QString proposedName(const QString& what, const char* extension) const;

    Platform m_platform;
    const MainForm& m_form;
    const DesignController& m_design;
    const ProgramLayout& m_layout;
    QWidget* m_parent;
    ModelWindow* m_window = nullptr;
    model::ModelPart m_part = model::ModelPart::Worm;
    std::shared_ptr<const model::BuiltModel> m_built;
    std::vector<ModelView::Item> m_items;
    // The parts of one design, by part and worm kind, with their triangles;
    // the design's content is the key, so any change of it builds anew.
    struct KeptPart {
        std::shared_ptr<const model::BuiltModel> built;
        std::vector<ModelView::Item> items;
    };
    std::string m_keptDesign;
    std::unique_ptr<model::DesignModels> m_models;
    std::map<std::pair<model::ModelPart, model::WormKind>, KeptPart> m_kept;
    InspectionChooser m_chooser;
};

}  // namespace wormpair
