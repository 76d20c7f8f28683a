#pragma once
// What a package command copies, and where to. The package folder holds a copy of the document
// (or of the book and its chapters) and, with fonts copied, the list of its fonts ("Fonts.txt").
// The other options are recorded only: the stand-in's documents link no graphics, have no hidden
// layers and no preflight.
#include "hostsdk/base/IDFile.h"
#include "hostsdk/base/IPMUnknown.h"

class IPackageOptions : public IPMUnknown {
public:
    // The new package folder: its parent must exist, it must not.
    virtual void SetDestination(const IDFile& folder) = 0;
    virtual void SetCopyFonts(bool16 copy) = 0;
    virtual void SetCopyLinkedGraphics(bool16 copy) = 0;
    virtual void SetUpdateGraphicLinks(bool16 update) = 0;
    virtual void SetIncludeHiddenLayers(bool16 include) = 0;
    virtual void SetIgnorePreflightErrors(bool16 ignore) = 0;
    virtual void SetCreateReport(bool16 create) = 0;
    virtual void SetCopyIDML(bool16 copy) = 0;
    virtual void SetCopyPDF(bool16 copy) = 0;
    // Makes the package; non-zero (and no folder left) when it could not be made whole.
    virtual ErrorCode Execute() = 0;
};
