#include "input/headless_session.h"

#include <exception>

namespace wormpair {

HeadlessSession::HeadlessSession(const QString& programDirectory)
    : layout(programLayout(programDirectory)),
      database(layout),
      design(form, view, database) {
    form.onChange = [this](std::string_view control) { design.controlChanged(control); };
}

StartupLoadResult HeadlessSession::load() {
    return loadCoefficients(database, design.coefficients());
}

void HeadlessSession::run(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        form.showMessage(e.what());
    }
}

}  // namespace wormpair
