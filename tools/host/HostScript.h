#pragma once
// The script that drives the plug-in's dialogs when no one sits at the screen: one step per
// line, a word and an optional value after a blank ("button OK", "choose Trovelor A"); blank
// lines and lines beginning with "#" are skipped. A word is made of letters, digits, "-" and
// "_". The dialogs take the steps in order.
#include <string>
#include <vector>

class HostScript {
public:
    struct Step {
        int line;
        std::string word;
        std::string value;
    };

    // False with `error` (naming the file and line) for a file that cannot be read or a line that
    // is not a step.
    bool Read(const std::string& file, std::string& error);
    const std::vector<Step>& Steps() const { return mSteps; }

private:
    std::vector<Step> mSteps;
};
