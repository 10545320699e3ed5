#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "calc/calculate.h"

namespace wormpair {

// A ResultView that keeps what a run wrote: the label texts in write order,
// the labels in the warning colour and whether the results were shown.
class ResultCollector : public ResultView {
public:
    void resetResults() override { resultsShown = false; }
    void setLabelText(std::string_view label, std::string_view text) override {
        writes.emplace_back(std::string(label), std::string(text));
        texts[std::string(label)] = std::string(text);
    }
    void setLabelWarning(std::string_view label, std::string_view reason) override {
        if (!reason.empty()) {
            warnings.insert(std::string(label));
            warningReasons[std::string(label)] = std::string(reason);
        } else {
            warnings.erase(std::string(label));
            warningReasons.erase(std::string(label));
        }
    }
    void showResults() override { resultsShown = true; }

    std::vector<std::pair<std::string, std::string>> writes;
    std::map<std::string, std::string> texts;
    std::set<std::string> warnings;
    std::map<std::string, std::string> warningReasons;
    bool resultsShown = false;
};

}  // namespace wormpair
