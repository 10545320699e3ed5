#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "fake_spreadsheet.h"
#include "platform/platform.h"

namespace wormpair {

// A desktop that records what the program showed and answers as scripted.
class FakePlatform : public MessageBoxes,
                     public FileDialogs,
                     public Processes,
                     public Documents,
                     public Downloads,
                     public ProgressWindow,
                     public BackgroundWork {
  public:
    void inform(const QString& text, const QString& caption) override {
        messages.push_back(text);
        captions.push_back(caption);
    }
    bool askYesNo(const QString& text) override {
        questions.push_back(text);
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // Three-way questions take the next of threeWayAnswers, Cancel when none is left.
    Answer askYesNoCancel(const QString& text) override {
        questions.push_back(text);
        if (threeWayAnswers.empty()) return Answer::Cancel;
        const Answer answer = threeWayAnswers.front();
        threeWayAnswers.pop_front();
        return answer;
    }
    QString openFileName(Kind kind, const QString& filter) override {
        dialogKinds.push_back(kind);
        dialogFilters.push_back(filter);
        return next(openNames);
    }
    QString saveFileName(Kind kind, const QString& filter, const QString& proposedName) override {
        dialogKinds.push_back(kind);
        dialogFilters.push_back(filter);
        proposals.push_back(proposedName);
        return next(saveNames);
    }
    bool start(const QString& program, const QStringList& arguments) override {
        started.emplace_back(program, arguments);
        return startSucceeds;
    }
    bool open(const QString& path) override {
        opened.push_back(path);
        return openSucceeds;
    }
    // Serves the scripted resource for an address, or fails.
    bool download(const QString& address, const QString& localFile,
                  std::chrono::milliseconds timeout) override {
        downloadAddresses.push_back(address);
        downloadTimeouts.push_back(timeout);
        if (!serve) return false;
        const std::optional<QByteArray> content = serve(address);
        if (!content) return false;
        QFile file(localFile);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
        return file.write(*content) == content->size();
    }
    void show() override {
        ++progressShown;
        progressVisible = true;
    }
    void close() override {
        ++progressClosed;
        progressVisible = false;
    }

    // Runs the work at once on this thread; the user "presses 取消" once
    // cancelAfterReports reports have come in (never when negative).
    bool run(const QString& title, const std::function<void(WorkProgress&)>& work) override {
        struct Recorder : WorkProgress {
            FakePlatform& fake;
            explicit Recorder(FakePlatform& f) : fake(f) {}
            void report(int done, int total, const QString& text) override {
                fake.workReports.push_back({done, total, text});
            }
            bool cancelled() const override {
                return fake.cancelAfterReports >= 0 &&
                       static_cast<int>(fake.workReports.size()) >= fake.cancelAfterReports;
            }
        } progress(*this);
        workTitles.push_back(title);
        workReports.clear();
        work(progress);
        return !progress.cancelled();
    }

    Platform platform() {
        return {*this, *this, *this, *this, *this, *this, spreadsheets, *this};
    }

    FakeSpreadsheets spreadsheets;

    QStringList messages;
    QStringList captions;
    QStringList questions;
    std::deque<bool> answers;  // Yes/No answers, in order; No when none left
    std::deque<Answer> threeWayAnswers;
    std::deque<QString> openNames;
    std::deque<QString> saveNames;  // empty text: the user cancels
    QStringList dialogFilters;
    std::vector<Kind> dialogKinds;
    QStringList proposals;
    std::vector<std::pair<QString, QStringList>> started;
    bool startSucceeds = true;
    QStringList opened;
    bool openSucceeds = true;
    std::function<std::optional<QByteArray>(const QString& address)> serve;  // none: offline
    QStringList downloadAddresses;
    std::vector<std::chrono::milliseconds> downloadTimeouts;
    int progressShown = 0;
    int progressClosed = 0;
    bool progressVisible = false;
    struct WorkReport {
        int done, total;
        QString text;
    };
    QStringList workTitles;
    std::vector<WorkReport> workReports;
    int cancelAfterReports = -1;

  private:
    static QString next(std::deque<QString>& names) {
        if (names.empty()) return {};
        QString name = names.front();
        names.pop_front();
        return name;
    }
};

}  // namespace wormpair
