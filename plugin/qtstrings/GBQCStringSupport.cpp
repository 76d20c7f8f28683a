#include "plugin/qtstrings/GBQCStringSupport.h"

bool GBQCStringSupport::CanInsertBreakAfter(QChar c) {
    return c.isPunct() || c == QLatin1Char('\\') || c == QLatin1Char('/');
}

QString GBQCStringSupport::FormatToolTip(QString const& text) {
    QString const trimmed = text.trimmed();
    QString out;
    out.reserve(trimmed.size() + trimmed.size() / kToolTipLineLength + 1);
    int column = 0;
    for (int i = 0; i < trimmed.size(); ++i) {
        QChar const c = trimmed.at(i);
        if (c == QLatin1Char('\r')) {
            if (i + 1 < trimmed.size() && trimmed.at(i + 1) == QLatin1Char('\n'))
                continue;
            out.append(QLatin1Char('\n'));
            column = 0;
        } else if (c == QLatin1Char('\n')) {
            out.append(c);
            column = 0;
        } else if (column < kToolTipLineLength) {
            out.append(c);
            ++column;
        } else if (c.isSpace()) {
            out.append(QLatin1Char('\n'));
            column = 0;
        } else if (CanInsertBreakAfter(c)) {
            out.append(c);
            out.append(QLatin1Char('\n'));
            column = 0;
        } else {
            out.append(c);
            ++column;
        }
    }
    return out;
}
