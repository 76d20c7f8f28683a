#pragma once
// Reads a PDF whole with libqpdf, which says what it had to mend: a cross-reference entry that
// misses its object, a stream of the wrong length, a broken trailer. Poppler mends such files
// without a word.
#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <string>

namespace qpdfcheck {

// What had to be mended, one line each; empty for a sound file.
inline std::string Repairs(const std::string& pdf) {
    std::string repairs;
    try {
        QPDF reader;
        reader.setSuppressWarnings(true);
        reader.processFile(pdf.c_str());
        Pl_Discard discard;
        QPDFWriter writer(reader);
        writer.setOutputPipeline(&discard);
        writer.write();
        for (const QPDFExc& warning : reader.getWarnings())
            repairs += std::string(warning.what()) + "\n";
    } catch (const std::exception& exception) {
        repairs += std::string(exception.what()) + "\n";
    }
    return repairs;
}

}  // namespace qpdfcheck
