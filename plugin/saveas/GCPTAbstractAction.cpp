#include "plugin/saveas/GCPTAbstractAction.h"

#include <QtCore/QObject>

#include "plugin/qtstrings/GQStringSupport.h"

GCPTAbstractAction::GCPTAbstractAction()
    : mName(GQStringSupport::ToGString(QObject::tr("Export to Trovelor..."))),
      mTitle(GQStringSupport::ToGString(QObject::tr("Export to Trovelor"))) {}

GCPTAbstractAction::~GCPTAbstractAction() = default;
