#pragma once
// GQUISupport: helpers of the Qt toolkit: centring a dialog on the screen under the mouse
// pointer, icons from the artwork folder (special path 54), list and combo-box widths, widget
// geometry, header state and tree expansion in the UI settings file (GQUILayer::GetPrefFileName,
// keys "<group><class name>_<object name>"), tree items by index paths, sentences with widgets in
// their placeholders, a cross image and colour conversions.
//
// Callers may rely on:
// - Nothing here keeps state; every settings operation opens the file for that call.
// - Loading a value that was never saved leaves the widget as it is.
// - A tree path that leads nowhere (an index out of range) gives a null item.
// - Main thread only.
#include <QtCore/QString>
#include <QtGui/QColor>
#include <QtGui/QIcon>
#include <QtGui/QPixmap>

#include "core/containers/GTable.h"
#include "core/values/GSizeBase.h"
#include "ui/support/GScreenColor.h"

class QAbstractButton;
class QComboBox;
class QDialog;
class QHeaderView;
class QLabel;
class QListWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

class GQUISupport {
public:
    GQUISupport() = delete;

    static void MoveToMiddleOfScreen(QDialog& dialog);

    static QString CreateIconString(QString const& name);
    static QIcon CreateIcon(QString const& name);
    static QPixmap CreatePixmap(QString const& name, int width, int height);
    static void SetIcon(QLabel* label, QString const& name);
    static void SetIcon(QAbstractButton* button, QString const& name);
    static QToolButton* CreateToolButton(QString const& iconName, QWidget* parent);
    static void SetIcon(QToolButton* button, QString const& normal, QString const& off, QString const& hoverOn,
                        QString const& hoverOff);

    static void ConvertToQColor(GScreenColor const& color, QColor& out);
    static QColor ConvertToQColor(GScreenColor const& color);
    static GScreenColor ConvertToGScreenColor(QColor const& color);

    static int ComputeListViewMinimumWidth(QListWidget const* list);
    static int ComputeComboBoxMinimumWidth(QComboBox const* box);

    static QString GetPrefsFile();
    static void SaveGeometry(QWidget* widget);
    static void LoadGeometry(QWidget* widget);
    static void SaveState(QHeaderView* header);
    static void LoadState(QHeaderView* header);
    static void SaveExpandState(QTreeWidget* tree);
    static void LoadExpandState(QTreeWidget* tree);

    static void ConvertToGTreePath(QTreeWidget const* tree, QTreeWidgetItem* item, GTable<unsigned int>& path);
    static QTreeWidgetItem* ConvertToTreeWidgetItem(GTable<unsigned int> const& path, QTreeWidget const* tree);

    // The widgets that show text: literal pieces become new labels (no parent), "%1" to "%9" the
    // given widgets; a "%" before anything else stays in the text.
    static void SubstituteWidgetsToParams(QString const& text, GTable<QWidget*> const& params,
                                          GTable<QWidget*>& widgets);
    static void DrawCross(GSizeBase<int> const& size, QPixmap& pixmap);

    // The settings key of a widget in a group.
    static QString SettingsKey(QString const& group, QWidget const* widget);
};
