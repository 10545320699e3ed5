// Build tool: writes the five design manuals into the program directory.
//
//   make_manuals --sources DIR --program-dir DIR --fonts FILE,FILE,... --font-dir DIR
//
// Each manual is the Markdown source DIR/NAME.md with its {{key}} values
// (manual_content.h) filled in from the shipped database and the program's
// own rules, laid out with QTextDocument and written with QPdfWriter as
// NAME.pdf. The fonts are copied into --font-dir and used alone. Exits 1 with
// a message on any failure; no half-written manual is left behind.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <map>
#include <stdexcept>

#include "manual_content.h"
#include "manual_design.h"
#include "manual_document.h"
#include "drawing/manual_figures.h"
#include "manual_fonts.h"

namespace {

struct ManualFile {
    const char* name;
    const char* title;
    bool landscape;
};

constexpr ManualFile kManuals[] = {
    {"canshu", "推荐参数", false}, {"jishu", "技术资料", false},   {"jingdu", "传动精度", false},
    {"tuzhi", "制图示例", true},   {"xiuxing", "修形原理", false},
};

// The worked design of the manuals.
constexpr const char* kExample[] = {"160", "45", "1"};

const manuals::StandardSeries kSeries{{"80", "100", "125", "160", "200", "250", "280", "315", "355",
                                       "400", "450", "500", "560", "630"},
                                      {"10", "12", "16", "20", "25", "31", "40", "50", "63"}};

const char* const kChartRatios[] = {"10", "20", "40", "63"};

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return QString::fromUtf8(file.readAll());
}

int run(const std::map<QString, QString>& options) {
    QElapsedTimer timer;
    timer.start();
    manuals::checkFontsAvailable();
    const QString output = QDir(options.at("--program-dir")).absolutePath() + "/";
    const manuals::ManualData data(output);
    const manuals::Design example = data.design(kExample[0], kExample[1], kExample[2]);

    std::vector<manuals::ChartSeries> chart;
    for (const char* ratio : kChartRatios) {
        manuals::ChartSeries series{ratio, {}};
        for (const std::string& a : kSeries.centreDistances)
            series.points.push_back(data.recommend(a, ratio, "1"));
        chart.push_back(std::move(series));
    }
    const wormpair::drawing::Drawings drawings(example, std::move(chart));
    const manuals::Content content(data, example, kSeries);

    for (const ManualFile& m : kManuals) {
        const QString source = options.at("--sources") + "/" + m.name + ".md";
        const QString target = output + m.name + ".pdf";
        const QString partial = target + ".part";
        manuals::Manual manual;
        manual.title = QString::fromUtf8(m.title);
        manual.landscape = m.landscape;
        try {
            manual.markdown = manuals::substitute(
                readText(source), [&](const QString& key) { return content.resolve(key); });
            manuals::writeManual(manual, drawings, partial);
        } catch (const std::exception& e) {
            QFile::remove(partial);
            throw std::runtime_error(source.toStdString() + ": " + e.what());
        }
        QFile::remove(target);
        if (!QFile::rename(partial, target))
            throw std::runtime_error("cannot write " + target.toStdString());
    }
    std::printf("make_manuals: five manuals written in %lld ms\n",
                static_cast<long long>(timer.elapsed()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::map<QString, QString> options;
    for (int i = 1; i + 1 < argc; i += 2)
        options[QString::fromLocal8Bit(argv[i])] = QString::fromLocal8Bit(argv[i + 1]);
    for (const char* required : {"--sources", "--program-dir", "--fonts", "--font-dir"}) {
        if (!options.count(required)) {
            std::fprintf(stderr,
                         "usage: make_manuals --sources DIR --program-dir DIR --fonts FILE,... "
                         "--font-dir DIR\n");
            return 2;
        }
    }
    try {
        manuals::useOnlyTheseFonts(options["--fonts"].split(',', Qt::SkipEmptyParts),
                                   options["--font-dir"]);
        // a build step: no display is needed, or wanted
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_manuals: %s\n", e.what());
        return 1;
    }
}
