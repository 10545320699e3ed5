#include <QCommandLineParser>

#include "calc/numeric.h"
#include "cli/cli.h"
#include "cli/command_line.h"
#include "cli/design_session.h"
#include "input/design_controller.h"
#include "input/form_state.h"
#include "input/headless_session.h"
#include "input/input_rules.h"

namespace wormpair {

namespace {

QString designUsage() {
    return "Usage: wormpair-cli design --centre-distance TEXT --wheel-teeth TEXT --worm-starts "
           "TEXT\n"
           "         [--grade 6|7|8] [--no-standard-backlash] [--whole-number] [--json]\n"
           "\n"
           "Types the three texts into Edit1, Edit3 and Edit4 as a user would (full-width\n"
           "digits and signs as ASCII), picks the\n"
           "accuracy grade (default 7, standard backlash on), presses the recommend button\n"
           "and prints the calculated design; --whole-number then ticks 取整数.\n";
}

int runDesign(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
              QTextStream& err) {
    CommandLine command("design", designUsage(), 0, "");
    QCommandLineParser& parser = command.parser;
    const QCommandLineOption centreDistance("centre-distance", "Edit1", "TEXT");
    const QCommandLineOption wheelTeeth("wheel-teeth", "Edit3", "TEXT");
    const QCommandLineOption wormStarts("worm-starts", "Edit4", "TEXT");
    const QCommandLineOption grade("grade", "accuracy grade", "6|7|8", "7");
    const QCommandLineOption noStandardBacklash("no-standard-backlash");
    const QCommandLineOption wholeNumber("whole-number");
    const QCommandLineOption json("json");
    parser.addOptions(
        {centreDistance, wheelTeeth, wormStarts, grade, noStandardBacklash, wholeNumber, json});
    if (const auto status = command.parse(arguments, out, err)) return *status;
    for (const QCommandLineOption* required : {&centreDistance, &wheelTeeth, &wormStarts}) {
        if (!parser.isSet(*required)) {
            return command.error(err, "missing --" + required->names().first());
        }
    }
    const QString gradeText = parser.value(grade);
    if (gradeText != "6" && gradeText != "7" && gradeText != "8") {
        return command.error(err, "--grade must be 6, 7 or 8");
    }

    HeadlessSession session(programDirectory);
    if (!loadSession(session, err)) return kExitFailed;
    FormState& form = session.form;
    DesignController& design = session.design;
    ResultCollector& view = session.view;
    try {
        form.setCurrentIndex("ComboBox1", gradeText.toInt() - 6);
        if (parser.isSet(noStandardBacklash)) form.setChecked("CheckBox2", false);
        // typed as the window's fields take them: full-width numbers in ASCII
        form.setText("Edit1", asciiNumberText(parser.value(centreDistance).toStdString()));
        form.setText("Edit3", asciiNumberText(parser.value(wheelTeeth).toStdString()));
        form.setText("Edit4", asciiNumberText(parser.value(wormStarts).toStdString()));
        design.speedButton2Click();
        if (parser.isSet(wholeNumber) && view.resultsShown) form.setChecked("CheckBox1", true);
    } catch (const std::exception& e) {
        // what the window reports as an unexpected error
        form.showMessage(e.what());
    }

    printSession(session, parser.isSet(json), out);
    return kExitRan;
}

}  // namespace

extern const Command kDesignCommand{
    "design", "recommend the parameters and calculate, as the recommend button does", runDesign};

}  // namespace wormpair
