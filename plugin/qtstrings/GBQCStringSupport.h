#pragma once
// GBQCStringSupport: breaks long tool-tip texts into lines. No state.
//
// Callers may rely on:
// - FormatToolTip trims the text and gives it LF line ends; once a line has 80 characters, its
//   next white space becomes a line end, or a line end goes right after its next punctuation,
//   slash or backslash. A run without either stays whole. One pass, linear in the text.
#include <QtCore/QChar>
#include <QtCore/QString>

class GBQCStringSupport {
public:
    GBQCStringSupport() = delete;

    static constexpr int kToolTipLineLength = 80;

    static bool CanInsertBreakAfter(QChar c);
    static QString FormatToolTip(QString const& text);
};
