#include "ui/support/GQUISupport.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtGui/QCursor>
#include <QtGui/QFontMetrics>
#include <QtGui/QGuiApplication>
#include <QtGui/QPainter>
#include <QtGui/QScreen>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeWidget>
#include <QtWidgets/QTreeWidgetItemIterator>

#include <algorithm>
#include <memory>

#include "plugin/qtstrings/GQStringSupport.h"
#include "services/filesystem/GFileSystem.h"
#include "ui/layer/GQUILayer.h"
#include "ui/support/GQUIPathNameSupport.h"

namespace {

QString const cGroupIDGeometry("Geometry/");
QString const cGroupIDState("State/");
QString const cGroupIDExpandState("ExpandState/");

constexpr int kArtworkFolder = 54;

// One settings object per call: the file is read afresh and written when the object goes.
std::unique_ptr<QSettings> Settings() {
    return std::make_unique<QSettings>(GQUISupport::GetPrefsFile(), QSettings::IniFormat);
}

// The first of the sizes an icon has for normal mode and off state, when it has any.
bool FirstSize(QIcon const& icon, QSize& size) {
    QList<QSize> const sizes = icon.availableSizes(QIcon::Normal, QIcon::Off);
    if (sizes.isEmpty())
        return false;
    size = sizes.first();
    return true;
}

}  // namespace

void GQUISupport::MoveToMiddleOfScreen(QDialog& dialog) {
    QRect const frame = dialog.frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QRect const area = screen->geometry();
    dialog.move(area.left() - frame.width() / 2 + area.width() / 2, area.top() - frame.height() / 2 + area.height() / 2);
}

QString GQUISupport::CreateIconString(QString const& name) {
    QFileInfo info(name);
    if (info.isRelative()) {
        QString const folder = GQStringSupport::ToQString(GFileSystem::GetSpecialPath(kArtworkFolder));
        info = QFileInfo(QDir(folder), name);
    }
    return info.absoluteFilePath();
}

QIcon GQUISupport::CreateIcon(QString const& name) { return QIcon(CreateIconString(name)); }

QPixmap GQUISupport::CreatePixmap(QString const& name, int width, int height) {
    QPixmap pixmap(CreateIconString(name));
    if (width > 0 && height > 0)
        pixmap = pixmap.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return pixmap;
}

void GQUISupport::SetIcon(QLabel* label, QString const& name) { label->setPixmap(QPixmap(CreateIconString(name))); }

void GQUISupport::SetIcon(QAbstractButton* button, QString const& name) {
    QIcon const icon = CreateIcon(name);
    button->setIcon(icon);
    QSize size;
    if (FirstSize(icon, size))
        button->setIconSize(size);
}

QToolButton* GQUISupport::CreateToolButton(QString const& iconName, QWidget* parent) {
    auto* button = new QToolButton(parent);
    SetIcon(button, iconName);
    button->setPopupMode(QToolButton::InstantPopup);
    return button;
}

void GQUISupport::SetIcon(QToolButton* button, QString const& normal, QString const& off, QString const& hoverOn,
                          QString const& hoverOff) {
    QIcon icon(CreateIconString(normal));
    icon.addPixmap(CreatePixmap(normal, -1, -1), QIcon::Normal, QIcon::On);
    QString style;
    if (!off.isEmpty())
        icon.addPixmap(CreatePixmap(off, -1, -1), QIcon::Normal, QIcon::Off);
    if (!hoverOn.isEmpty()) {
        icon.addPixmap(CreatePixmap(hoverOn, -1, -1), QIcon::Active, QIcon::On);
        style += "hover:checked {image: url(" + CreateIconString(hoverOn) + ");};";
    }
    if (!hoverOff.isEmpty()) {
        icon.addPixmap(CreatePixmap(hoverOff, -1, -1), QIcon::Active, QIcon::Off);
        style += "::hover:!checked{image: url(" + CreateIconString(hoverOff) + ");}";
    }
    button->setIcon(icon);
    QSize size;
    if (FirstSize(icon, size)) {
        button->setIconSize(size);
        button->setMinimumSize(size);
        button->setMaximumSize(size);
    }
    style += ";";
    button->setStyleSheet(style);
}

void GQUISupport::ConvertToQColor(GScreenColor const& color, QColor& out) {
    out.setRgbF(color.red, color.green, color.blue, 1.0);
}

QColor GQUISupport::ConvertToQColor(GScreenColor const& color) {
    QColor out;
    ConvertToQColor(color, out);
    return out;
}

GScreenColor GQUISupport::ConvertToGScreenColor(QColor const& color) {
    return GScreenColor{color.redF(), color.greenF(), color.blueF()};
}

int GQUISupport::ComputeListViewMinimumWidth(QListWidget const* list) {
    QFontMetrics const metrics(list->font());
    int widest = 0;
    for (int i = 0; i < list->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list->item(i)->data(Qt::DisplayRole).toString()));
    return widest + 50;
}

int GQUISupport::ComputeComboBoxMinimumWidth(QComboBox const* box) {
    QFontMetrics const metrics(box->font());
    int widest = 0;
    for (int i = 0; i < box->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(box->itemText(i)));
    return std::max(widest + 40, box->width());
}

QString GQUISupport::GetPrefsFile() { return GQUIPathNameSupport::ConvertToUIQString(GQUILayer::GetPrefFileName()); }

QString GQUISupport::SettingsKey(QString const& group, QWidget const* widget) {
    return group + QString::fromLatin1(widget->metaObject()->className()) + "_" + widget->objectName();
}

namespace {

void SaveBytes(QString const& group, QWidget const* widget, QByteArray const& bytes) {
    Settings()->setValue(GQUISupport::SettingsKey(group, widget), bytes);
}

// False, with nothing read, when the key was never saved.
bool LoadBytes(QString const& group, QWidget const* widget, QByteArray& bytes) {
    std::unique_ptr<QSettings> const settings = Settings();
    QString const key = GQUISupport::SettingsKey(group, widget);
    if (!settings->contains(key))
        return false;
    bytes = settings->value(key).toByteArray();
    return true;
}

}  // namespace

void GQUISupport::SaveGeometry(QWidget* widget) { SaveBytes(cGroupIDGeometry, widget, widget->saveGeometry()); }

void GQUISupport::LoadGeometry(QWidget* widget) {
    QByteArray bytes;
    if (LoadBytes(cGroupIDGeometry, widget, bytes))
        widget->restoreGeometry(bytes);
}

void GQUISupport::SaveState(QHeaderView* header) { SaveBytes(cGroupIDState, header, header->saveState()); }

void GQUISupport::LoadState(QHeaderView* header) {
    QByteArray bytes;
    if (LoadBytes(cGroupIDState, header, bytes))
        header->restoreState(bytes);
}

void GQUISupport::SaveExpandState(QTreeWidget* tree) {
    QList<QVariant> flags;
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it)
        flags.append((*it)->treeWidget() != nullptr && (*it)->isExpanded());
    Settings()->setValue(SettingsKey(cGroupIDExpandState, tree), flags);
}

void GQUISupport::LoadExpandState(QTreeWidget* tree) {
    QList<QVariant> flags = Settings()->value(SettingsKey(cGroupIDExpandState, tree)).toList();
    for (QTreeWidgetItemIterator it(tree); *it != nullptr && !flags.isEmpty(); ++it) {
        bool const expanded = flags.takeFirst().toBool();
        if ((*it)->treeWidget() != nullptr)
            (*it)->setExpanded(expanded);
    }
}

void GQUISupport::ConvertToGTreePath(QTreeWidget const* tree, QTreeWidgetItem* item, GTable<unsigned int>& path) {
    path.Resize(0);
    for (; item != nullptr; item = item->parent()) {
        QTreeWidgetItem* const parent = item->parent();
        int const index = parent != nullptr ? parent->indexOfChild(item) : tree->indexOfTopLevelItem(item);
        path.InsertItemAt(0, static_cast<unsigned int>(index));
    }
}

QTreeWidgetItem* GQUISupport::ConvertToTreeWidgetItem(GTable<unsigned int> const& path, QTreeWidget const* tree) {
    if (path.GetCount() == 0)
        return nullptr;
    auto const first = static_cast<int>(path[0]);
    if (first < 0 || first >= tree->topLevelItemCount())
        return nullptr;
    QTreeWidgetItem* item = tree->topLevelItem(first);
    for (int i = 1; i < path.GetCount() && item != nullptr; ++i) {
        auto const index = static_cast<int>(path[i]);
        if (index < 0 || index >= item->childCount())
            return nullptr;
        item = item->child(index);
    }
    return item;
}

void GQUISupport::SubstituteWidgetsToParams(QString const& text, GTable<QWidget*> const& params,
                                            GTable<QWidget*>& widgets) {
    int start = 0;
    int from = 0;
    for (;;) {
        int const at = text.indexOf(QLatin1Char('%'), from);
        if (at < 0 || at + 1 >= text.size())
            break;
        QChar const digit = text.at(at + 1);
        if (digit < QLatin1Char('1') || digit > QLatin1Char('9')) {
            from = at + 1;
            continue;
        }
        QString literal = text.mid(start, at - start);
        if (literal.endsWith(QLatin1Char(' ')))
            literal.chop(1);
        if (!literal.isEmpty())
            widgets.AddItem(new QLabel(literal));
        int const n = digit.unicode() - '0';
        if (n <= params.GetCount())
            widgets.AddItem(params[n - 1]);
        start = at + 2;
        if (start < text.size() && text.at(start) == QLatin1Char(' '))
            ++start;
        from = start;
    }
    QString const rest = text.mid(start);
    if (!rest.isEmpty())
        widgets.AddItem(new QLabel(rest));
}

void GQUISupport::DrawCross(GSizeBase<int> const& size, QPixmap& pixmap) {
    int const w = size.GetWidth();
    int const h = size.GetHeight();
    pixmap = QPixmap(std::max(w - 1, 0), std::max(h - 1, 0));
    pixmap.fill(QApplication::palette().brush(QPalette::Midlight).color());
    if (w < 3 || h < 3)
        return;
    int const insetX = w - 1 < 11 ? (w - 1) / 2 - 1 : 5;
    int const insetY = h - 1 < 11 ? (h - 1) / 2 - 1 : 5;
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QColor(128, 128, 128, 255));
    int const left = insetX;
    int const right = w - 2 - insetX;
    int const top = insetY;
    int const bottom = h - 2 - insetY;
    painter.drawLine(left, top, right, bottom);
    painter.drawLine(left, bottom, right, top);
}
