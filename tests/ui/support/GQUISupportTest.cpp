// The toolkit's support functions: paths shown to the user, sentences with widgets, tree paths,
// settings of widgets in the UI settings file, widths, icons, the cross image and colours.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeWidget>

#include <memory>
#include <vector>

#include "plugin/qtstrings/GQStringSupport.h"
#include "services/filesystem/GFileSystem.h"
#include "ui/layer/GQUILayer.h"
#include "ui/support/GQUIPathNameSupport.h"
#include "ui/support/GQUISupport.h"

namespace {

class UISupport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.isValid());
        GQUILayer::SetPrefFileName(GQStringSupport::ToGPathName(mFolder.filePath("UIGeometrySettingsQt5.ini")));
        GFileSystem::AddSpecialPath(54, GQStringSupport::ToGPathName(mFolder.path()));
    }
    void TearDown() override {
        GQUILayer::SetPrefFileName(GPathName());
        GFileSystem::RemoveSpecialPath(54);
    }

    QTemporaryDir mFolder;
};

// What a sentence became: a label's text, or "#n" for parameter n.
std::vector<QString> Describe(GTable<QWidget*> const& widgets, GTable<QWidget*> const& params) {
    std::vector<QString> out;
    for (QWidget* widget : widgets) {
        int const n = params.FindItem(widget);
        if (n >= 0) {
            out.push_back("#" + QString::number(n + 1));
        } else {
            out.push_back(static_cast<QLabel*>(widget)->text());
            delete widget;
        }
    }
    return out;
}

}  // namespace

TEST_F(UISupport, PathsShowInTheirPosixForm) {
    EXPECT_TRUE(GQUIPathNameSupport::ConvertToUIQString(GPathName()).isEmpty());
    EXPECT_TRUE(GQUIPathNameSupport::ConvertToUIGString(GPathName()).IsEmpty());
    QString const path = QString::fromUtf8("/Users/ü/Trovel Jobs/a.pdf");
    EXPECT_EQ(path, GQUIPathNameSupport::ConvertToUIQString(GQStringSupport::ToGPathName(path)));
    EXPECT_EQ(QString("/"), GQUIPathNameSupport::ConvertToUIQString(GPathName("/")));
    EXPECT_EQ(mFolder.filePath("UIGeometrySettingsQt5.ini"), GQUISupport::GetPrefsFile());
}

TEST_F(UISupport, TheSettingsFileDefaultsToThePluginFolder) {
    GQUILayer::SetPrefFileName(GPathName());
    GPathName expected = GFileSystem::GetSpecialPath(36);
    expected.Append(GString("UIGeometrySettingsQt5.ini"));
    EXPECT_EQ(expected, GQUILayer::GetPrefFileName());
}

TEST_F(UISupport, SentencesBecomeLabelsAndTheGivenWidgets) {
    QWidget first;
    QWidget second;
    GTable<QWidget*> params;
    params.AddItem(&first);
    params.AddItem(&second);
    struct Case {
        char const* text;
        std::vector<QString> widgets;
    };
    std::vector<Case> const cases = {
        {"%1 word %2", {"#1", "word", "#2"}},
        {"Print %2 copies of %1 now", {"Print", "#2", "copies of", "#1", "now"}},
        {"100%a and %1", {"100%a and", "#1"}},
        {"%1%2", {"#1", "#2"}},
        {"x %9 y", {"x", "y"}},
        {"%", {"%"}},
        {"50 %", {"50 %"}},
        {"", {}},
        {"end %1", {"end", "#1"}},
        {"a  %1  b", {"a ", "#1", " b"}},
    };
    for (Case const& c : cases) {
        GTable<QWidget*> widgets;
        GQUISupport::SubstituteWidgetsToParams(c.text, params, widgets);
        EXPECT_EQ(c.widgets, Describe(widgets, params)) << c.text;
    }
}

TEST_F(UISupport, TreePathsLeadBackToTheirItems) {
    QTreeWidget tree;
    auto* a = new QTreeWidgetItem(&tree, {"a"});
    auto* b = new QTreeWidgetItem(&tree, {"b"});
    auto* b0 = new QTreeWidgetItem(b, {"b0"});
    auto* b1 = new QTreeWidgetItem(b, {"b1"});
    auto* b10 = new QTreeWidgetItem(b1, {"b10"});
    for (QTreeWidgetItem* item : {a, b, b0, b1, b10}) {
        GTable<unsigned int> path;
        GQUISupport::ConvertToGTreePath(&tree, item, path);
        EXPECT_EQ(item, GQUISupport::ConvertToTreeWidgetItem(path, &tree)) << item->text(0).toStdString();
    }
    GTable<unsigned int> path;
    GQUISupport::ConvertToGTreePath(&tree, b10, path);
    ASSERT_EQ(3, path.GetCount());
    EXPECT_EQ(1u, path[0]);
    EXPECT_EQ(1u, path[1]);
    EXPECT_EQ(0u, path[2]);
    GQUISupport::ConvertToGTreePath(&tree, nullptr, path);
    EXPECT_EQ(0, path.GetCount());
    EXPECT_EQ(nullptr, GQUISupport::ConvertToTreeWidgetItem(path, &tree));
    for (std::vector<unsigned int> bad : {std::vector<unsigned int>{2}, {1, 2}, {0, 0}, {1, 1, 1}, {0xFFFFFFFFu}}) {
        GTable<unsigned int> badPath;
        for (unsigned int i : bad)
            badPath.AddItem(i);
        EXPECT_EQ(nullptr, GQUISupport::ConvertToTreeWidgetItem(badPath, &tree));
    }
}

TEST_F(UISupport, ExpansionSavedForASmallerTreeAppliesToTheFirstItems) {
    QTreeWidget tree;
    tree.setObjectName("jobs");
    auto* a = new QTreeWidgetItem(&tree, {"a"});
    new QTreeWidgetItem(a, {"a0"});
    auto* b = new QTreeWidgetItem(&tree, {"b"});
    new QTreeWidgetItem(b, {"b0"});
    a->setExpanded(true);
    b->setExpanded(false);
    GQUISupport::SaveExpandState(&tree);
    QSettings settings(GQUISupport::GetPrefsFile(), QSettings::IniFormat);
    EXPECT_EQ(4, settings.value("ExpandState/QTreeWidget_jobs").toList().size());

    a->setExpanded(false);
    auto* c = new QTreeWidgetItem(&tree, {"c"});
    new QTreeWidgetItem(c, {"c0"});
    c->setExpanded(true);
    auto* late = new QTreeWidgetItem(&tree, {"late"});
    new QTreeWidgetItem(late, {"late0"});
    b->setExpanded(true);
    late->setExpanded(true);
    GQUISupport::LoadExpandState(&tree);
    EXPECT_TRUE(a->isExpanded());
    EXPECT_FALSE(b->isExpanded());
    EXPECT_TRUE(c->isExpanded()) << "items past the saved list stay as they are";
    EXPECT_TRUE(late->isExpanded());

    QTreeWidget other;
    other.setObjectName("other");
    auto* x = new QTreeWidgetItem(&other, {"x"});
    new QTreeWidgetItem(x, {"x0"});
    x->setExpanded(true);
    GQUISupport::LoadExpandState(&other);
    EXPECT_TRUE(x->isExpanded()) << "nothing saved under this key";
}

TEST_F(UISupport, GeometryAndHeaderStateKeepTheirValuesPerClassAndName) {
    QWidget one;
    one.setObjectName("one");
    one.setGeometry(40, 50, 300, 200);
    GQUISupport::SaveGeometry(&one);
    QWidget two;
    two.setObjectName("two");
    two.setGeometry(10, 10, 100, 100);
    GQUISupport::LoadGeometry(&two);
    EXPECT_EQ(QSize(100, 100), two.size()) << "nothing saved under its name";
    QWidget again;
    again.setObjectName("one");
    GQUISupport::LoadGeometry(&again);
    EXPECT_EQ(QSize(300, 200), again.size());
    EXPECT_EQ(QString("Geometry/QWidget_one"), GQUISupport::SettingsKey("Geometry/", &again));

    QTreeWidget tree;
    tree.setColumnCount(3);
    tree.header()->setObjectName("columns");
    tree.header()->resizeSection(1, 77);
    GQUISupport::SaveState(tree.header());
    QTreeWidget restored;
    restored.setColumnCount(3);
    restored.header()->setObjectName("columns");
    GQUISupport::LoadState(restored.header());
    EXPECT_EQ(77, restored.header()->sectionSize(1));
}

TEST_F(UISupport, WidthsOfListsAndComboBoxes) {
    QListWidget list;
    EXPECT_EQ(50, GQUISupport::ComputeListViewMinimumWidth(&list));
    list.addItems({"short", "a much longer entry of the list"});
    int const widest = QFontMetrics(list.font()).horizontalAdvance("a much longer entry of the list");
    EXPECT_EQ(widest + 50, GQUISupport::ComputeListViewMinimumWidth(&list));

    QComboBox box;
    box.addItems({"a", "bb"});
    box.resize(500, 30);
    EXPECT_EQ(500, GQUISupport::ComputeComboBoxMinimumWidth(&box)) << "never less than the present width";
    box.resize(10, 30);
    EXPECT_EQ(QFontMetrics(box.font()).horizontalAdvance("bb") + 40, GQUISupport::ComputeComboBoxMinimumWidth(&box));
}

TEST_F(UISupport, IconsComeFromTheArtworkFolder) {
    for (char const* name : {"normal.png", "off.png", "hoverOn.png", "hoverOff.png"}) {
        QPixmap image(16, 12);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(mFolder.filePath(name)));
    }
    EXPECT_EQ(mFolder.filePath("normal.png"), GQUISupport::CreateIconString("normal.png"));
    EXPECT_EQ(QString("/elsewhere/x.png"), GQUISupport::CreateIconString("/elsewhere/x.png"));
    EXPECT_EQ(QSize(8, 30), GQUISupport::CreatePixmap("normal.png", 8, 30).size());
    EXPECT_EQ(QSize(16, 12), GQUISupport::CreatePixmap("normal.png", 0, 30).size());

    QWidget parent;
    QToolButton* tool = GQUISupport::CreateToolButton("normal.png", &parent);
    EXPECT_EQ(&parent, tool->parentWidget());
    EXPECT_EQ(QToolButton::InstantPopup, tool->popupMode());
    EXPECT_EQ(QSize(16, 12), tool->iconSize());

    QToolButton button;
    GQUISupport::SetIcon(&button, "normal.png", "off.png", "hoverOn.png", "hoverOff.png");
    EXPECT_EQ("hover:checked {image: url(" + mFolder.filePath("hoverOn.png") + ");};::hover:!checked{image: url(" +
                  mFolder.filePath("hoverOff.png") + ");};",
              button.styleSheet());
    EXPECT_EQ(QSize(16, 12), button.minimumSize());
    EXPECT_EQ(QSize(16, 12), button.maximumSize());
    QToolButton plain;
    GQUISupport::SetIcon(&plain, "normal.png", "", "", "");
    EXPECT_EQ(QString(";"), plain.styleSheet());
}

TEST_F(UISupport, TheCrossShrinksTowardsTheCentreOfSmallImages) {
    QPixmap pixmap;
    GQUISupport::DrawCross(GSizeBase<int>(2, 9), pixmap);
    EXPECT_EQ(QSize(1, 8), pixmap.size());
    QColor const ground = QApplication::palette().brush(QPalette::Midlight).color();
    EXPECT_EQ(ground.rgb(), pixmap.toImage().pixel(0, 4)) << "too narrow for a cross";

    struct Case {
        int w, h;
        QPoint centre, corner;
    };
    for (Case c : {Case{23, 23, {11, 11}, {1, 1}}, Case{9, 9, {4, 4}, {0, 0}}, Case{30, 8, {14, 3}, {1, 6}}}) {
        GQUISupport::DrawCross(GSizeBase<int>(c.w, c.h), pixmap);
        QImage const image = pixmap.toImage();
        EXPECT_EQ(QSize(c.w - 1, c.h - 1), image.size());
        EXPECT_NE(ground.rgb(), image.pixel(c.centre)) << c.w << "x" << c.h << " crosses at its centre";
        EXPECT_EQ(ground.rgb(), image.pixel(c.corner)) << c.w << "x" << c.h << " leaves its inset free";
    }
}

TEST_F(UISupport, ColoursConvertBothWays) {
    GScreenColor const colour{0.25, 0.5, 1.0};
    QColor const q = GQUISupport::ConvertToQColor(colour);
    EXPECT_NEAR(0.25, q.redF(), 1e-4);
    EXPECT_DOUBLE_EQ(1.0, q.alphaF());
    GScreenColor const back = GQUISupport::ConvertToGScreenColor(q);
    EXPECT_NEAR(0.5, back.green, 1e-4);
    EXPECT_NEAR(1.0, back.blue, 1e-4);
    QColor into(Qt::black);
    into.setAlphaF(0.1);
    GQUISupport::ConvertToQColor(colour, into);
    EXPECT_DOUBLE_EQ(1.0, into.alphaF());
}
