// The "Settings" dialog as a person uses it: texts, states, keyboard, folder picker, OK.
#include "jobs/applysettings.h"
#include "settings/dialogtesting.h"
#include "settings/dlgsettings.h"
#include "settings/pictureitem.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace pix {
namespace {

using test::control;

using test::picture;

class SettingsDialog : public ::testing::Test {
protected:
    JobItem item = picture(800, 600);
    test::RecordingPrompt prompt;
    std::unique_ptr<CDlgSettings> dlg;
    PresetStore* presets = nullptr;

    void open() {
        dlg = std::make_unique<CDlgSettings>(&item, nullptr, &prompt, presets);
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    }
    template <class T> T* get(const QString& name) {
        T* w = control<T>(dlg.get(), name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QLineEdit* editIn(const QString& name) { return get<QWidget>(name)->findChild<QLineEdit*>(); }
    void typeInto(const QString& name, const QString& text) {
        QWidget* w = get<QWidget>(name);
        w->setFocus();
        QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    // A mnemonic; buttons click a moment after it, as they show themselves pressed.
    void alt(Qt::Key key) {
        QTest::keyClick(dlg.get(), key, Qt::AltModifier);
        QTest::qWait(150);
    }
};

TEST_F(SettingsDialog, OpensWithItsTextsAndStates) {
    open();
    EXPECT_EQ(dlg->windowTitle(), "Settings");
    QStringList labels;
    for (QLabel* l : dlg->findChildren<QLabel*>())
        labels << l->text().remove(u'&');
    for (const char* text : {"Format:", "Image quality:", "(0 - 100)", "Folder:", "Mode:", "Width:",
                             "Height:", "pixels", "Long edge:", "Percent:", "%",
                             "Prefix:", "Number From:", "Colour:", "Metadata:"})
        EXPECT_TRUE(labels.contains(text)) << text;
    EXPECT_EQ(labels.count("pixels"), 3);
    QStringList groups;
    for (QGroupBox* g : dlg->findChildren<QGroupBox*>())
        groups << g->title().remove(u'&');
    EXPECT_EQ(groups,
              QStringList({"Output to", "Resize", "Rotate", "Rename", "Colour and metadata"}));

    auto* format = get<QComboBox>("Format");
    QStringList entries;
    for (int i = 0; i < format->count(); ++i)
        entries << format->itemText(i);
    EXPECT_EQ(entries, QStringList({"Remain Original", "Bitmap", "GIF", "JPG", "PNG", "TIFF",
                                    "WebP", "AVIF", "JPEG XL"}));
    for (const auto& [list, want] :
         {std::pair{"Colour", QStringList({"Keep profile", "Convert to sRGB"})},
          std::pair{"Metadata", QStringList({"Keep all", "Remove location", "Remove all"})}}) {
        auto* box = get<QComboBox>(list);
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        EXPECT_EQ(items, want);
        EXPECT_EQ(box->currentIndex(), 0) << list;
    }
    EXPECT_EQ(format->currentIndex(), 0);
    EXPECT_FALSE(get<QWidget>("Image quality")->isVisible());
    EXPECT_EQ(editIn("Folder") ? editIn("Folder")->text() : get<QLineEdit>("Folder")->text(),
              "/pictures");
    EXPECT_FALSE(get<QGroupBox>("Resize")->isChecked());
    EXPECT_FALSE(get<QWidget>("Width")->isEnabled());
    EXPECT_EQ(editIn("Width")->text(), "800");
    EXPECT_EQ(editIn("Height")->text(), "600");
    EXPECT_TRUE(get<QCheckBox>("Constrain Proportions")->isChecked());
    EXPECT_FALSE(get<QCheckBox>("Constrain Proportions")->isEnabled());
    auto* mode = get<QComboBox>("Mode");
    QStringList modes;
    for (int i = 0; i < mode->count(); ++i)
        modes << mode->itemText(i);
    EXPECT_EQ(modes, QStringList({"Exact size", "Fit within", "Long edge", "Percent"}));
    EXPECT_EQ(mode->currentText(), "Exact size");
    EXPECT_FALSE(get<QCheckBox>("Only shrink")->isChecked());
    EXPECT_FALSE(get<QWidget>("Long edge")->isVisible()) << "only the chosen mode's fields";
    for (const char* name : {"90 degree", "180 degree", "270 degree"}) {
        EXPECT_FALSE(get<QRadioButton>(name)->isEnabled()) << name;
        EXPECT_FALSE(get<QRadioButton>(name)->isChecked()) << name;
    }
    EXPECT_FALSE(get<QCheckBox>("Mirror")->isEnabled());
    EXPECT_FALSE(get<QLineEdit>("Prefix")->isEnabled());
    EXPECT_FALSE(get<QWidget>("Number From")->isEnabled());
    EXPECT_EQ(get<QPushButton>("...")->text(), "...");
    EXPECT_EQ(get<QPushButton>("...")->accessibleDescription(), "Please select a folder");
    EXPECT_EQ(get<QPushButton>("OK")->text(), "OK");
    EXPECT_EQ(get<QPushButton>("Cancel")->text(), "Cancel");
}

TEST_F(SettingsDialog, EveryControlIsNamedAndReachedByTab) {
    open();
    alt(Qt::Key_R); // "Resize"
    alt(Qt::Key_T); // "Rotate"
    alt(Qt::Key_E); // "Rename"
    ASSERT_TRUE(get<QGroupBox>("Resize")->isChecked()) << "mnemonics toggle the groups";
    ASSERT_TRUE(get<QGroupBox>("Rotate")->isChecked());
    ASSERT_TRUE(get<QGroupBox>("Rename")->isChecked());
    alt(Qt::Key_F);
    EXPECT_EQ(test::focused(), get<QWidget>("Format"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // to "Bitmap"
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // to "JPG"
    ASSERT_TRUE(get<QWidget>("Image quality")->isVisible()) << "JPG shows the quality";

    QStringList visited;
    for (int i = 0; i < 30; ++i) {
        QWidget* w = test::focused();
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
        if (visited.contains(w->accessibleName()))
            break;
        visited << w->accessibleName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited,
              QStringList(
                  {"Format",      "Image quality", "Folder",    "...",      "Keep folder structure",
                   "Resize",      "Mode",          "Width",     "Height",   "Constrain Proportions",
                   "Only shrink", "Rotate",        "90 degree", "Mirror",   "Rename",
                   "Prefix",      "Number From",   "Colour",    "Metadata", "OK",
                   "Cancel"}));
    // The rotation buttons are one stop, as radio buttons are; the arrows move among them.
    get<QWidget>("90 degree")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(test::focused(), get<QWidget>("180 degree"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(test::focused(), get<QWidget>("270 degree"));
}

TEST_F(SettingsDialog, TypingAndArrowsKeepProportions) {
    open();
    alt(Qt::Key_R);
    typeInto("Width", "400");
    EXPECT_EQ(editIn("Height")->text(), "300");
    QTest::keyClicks(QApplication::focusWidget(), "x-,");
    EXPECT_EQ(editIn("Width")->text(), "400") << "digits only";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(editIn("Width")->text(), "1") << "an emptied side shows 1";
    EXPECT_EQ(editIn("Height")->text(), "1");
    typeInto("Width", "400"); // 4, 40, 400: each from the picture's own proportions
    EXPECT_EQ(editIn("Height")->text(), "300");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(editIn("Width")->text(), "400") << "leaving the field keeps its text";
    EXPECT_EQ(test::focused(), get<QWidget>("Height"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(editIn("Height")->text(), "301");
    EXPECT_EQ(editIn("Width")->text(), "401");
    alt(Qt::Key_W);
    EXPECT_EQ(test::focused(), get<QWidget>("Width"));
}

// The modes by keyboard: the mode list, the field of each mode by its mnemonic, "Only shrink".
TEST_F(SettingsDialog, ResizeModesByKeyboard) {
    open();
    alt(Qt::Key_R);
    alt(Qt::Key_O);
    ASSERT_EQ(test::focused(), get<QWidget>("Mode"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // "Fit within"
    EXPECT_EQ(get<QComboBox>("Mode")->currentText(), "Fit within");
    EXPECT_FALSE(get<QCheckBox>("Constrain Proportions")->isEnabled()) << "fit keeps them";
    typeInto("Width", "300");
    EXPECT_EQ(editIn("Height")->text(), "600") << "a box to fit within: the sides are free";

    alt(Qt::Key_O);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // "Long edge"
    EXPECT_TRUE(get<QWidget>("Long edge")->isVisible());
    EXPECT_FALSE(get<QWidget>("Width")->isVisible());
    EXPECT_EQ(editIn("Long edge")->text(), "800") << "the picture's long edge to start from";
    alt(Qt::Key_G);
    ASSERT_EQ(test::focused(), get<QWidget>("Long edge"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "640");
    alt(Qt::Key_Y);
    EXPECT_TRUE(get<QCheckBox>("Only shrink")->isChecked());

    alt(Qt::Key_O);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // "Percent"
    alt(Qt::Key_C);
    ASSERT_EQ(test::focused(), get<QWidget>("Percent")) << "not the hidden Constrain box";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(editIn("Percent")->text(), "99");
    alt(Qt::Key_O);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up); // back to "Long edge"
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(dlg->result(), QDialog::Accepted);
    const ResizeRule& rule = dlg->results().resize;
    EXPECT_EQ(rule.mode, ResizeMode::LongEdge);
    EXPECT_EQ(rule.longEdge, 640);
    EXPECT_EQ(rule.percent, 99);
    EXPECT_TRUE(rule.shrinkOnly);
}

TEST_F(SettingsDialog, RotationButtonsCheckOneAtATime) {
    open();
    alt(Qt::Key_T);
    alt(Qt::Key_9);
    EXPECT_TRUE(get<QRadioButton>("90 degree")->isChecked());
    EXPECT_EQ(editIn("Width")->text(), "600") << "the shown size previews the quarter turn";
    alt(Qt::Key_8);
    EXPECT_FALSE(get<QRadioButton>("90 degree")->isChecked());
    EXPECT_TRUE(get<QRadioButton>("180 degree")->isChecked());
    QTest::mouseClick(get<QRadioButton>("180 degree"), Qt::LeftButton);
    EXPECT_FALSE(get<QRadioButton>("180 degree")->isChecked()) << "a click clears it again";
    // Screen readers announce them as radio buttons, not as check boxes.
    for (const char* name : {"90 degree", "180 degree", "270 degree"})
        EXPECT_EQ(QAccessible::queryAccessibleInterface(get<QRadioButton>(name))->role(),
                  QAccessible::RadioButton)
            << name;
}

// A screen reader's Toggle sets a control's state without a click; the dialog follows it.
TEST_F(SettingsDialog, ControlsToggledWithoutAClickReachTheRules) {
    open();
    get<QGroupBox>("Rotate")->setChecked(true);
    get<QRadioButton>("90 degree")->setChecked(true);
    EXPECT_EQ(editIn("Width")->text(), "600") << "the rules saw the button";
    get<QRadioButton>("180 degree")->setChecked(true);
    EXPECT_FALSE(get<QRadioButton>("90 degree")->isChecked()) << "one at a time";
    get<QGroupBox>("Resize")->setChecked(true);
    EXPECT_TRUE(editIn("Width")->isEnabled());
    get<QCheckBox>("Mirror")->setChecked(true);
    QTest::keyClick(editIn("Width"), Qt::Key_1); // a keystroke after the toggles keeps them
    EXPECT_TRUE(get<QGroupBox>("Resize")->isChecked());
    EXPECT_TRUE(get<QGroupBox>("Rotate")->isChecked());
    EXPECT_TRUE(get<QRadioButton>("180 degree")->isChecked());
    EXPECT_TRUE(get<QCheckBox>("Mirror")->isChecked());
}

TEST_F(SettingsDialog, EnterIsOkAndEscapeIsCancel) {
    item.output.rotate = 90;
    item.output.width = 600;
    item.output.height = 800;
    open();
    get<QLineEdit>("Folder")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->results().rotate, 90) << "an untouched angle survives";

    open();
    alt(Qt::Key_R);
    alt(Qt::Key_W);
    ASSERT_EQ(test::focused(), get<QWidget>("Width"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter); // in a spin box too
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->results().width, 600);
    EXPECT_EQ(dlg->results().resizeRequested, 1);

    open();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

TEST_F(SettingsDialog, FolderPicker) {
    QTemporaryDir existing;
    item.output.folder = existing.path();
    open();
    QStringList calls;
    QString answer;
    dlg->setFolderPicker([&](QWidget* owner, const QString& title, const QString& start) {
        calls << title << start;
        EXPECT_EQ(owner, dlg.get());
        return answer;
    });
    auto* browse = get<QPushButton>("...");
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(calls, QStringList({"Please select a folder", existing.path()}));
    EXPECT_EQ(get<QLineEdit>("Folder")->text(), existing.path()) << "Cancel changes nothing";

    answer = existing.path() + "/chosen";
    browse->setFocus();
    QTest::keyClick(browse, Qt::Key_Space);
    EXPECT_EQ(get<QLineEdit>("Folder")->text(), answer);

    calls.clear();
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(calls.value(1), QDir::homePath()) << "a missing folder starts at home";
}

TEST_F(SettingsDialog, AnOverlongFolderIsKeptWholeAndRefused) {
    open();
    const QString deep = "/" + QString(300, u'd');
    dlg->setFolderPicker([&](QWidget*, const QString&, const QString&) { return deep; });
    QTest::mouseClick(get<QPushButton>("..."), Qt::LeftButton);
    EXPECT_EQ(get<QLineEdit>("Folder")->text(), deep) << "never cut short";
    QTest::mouseClick(get<QPushButton>("OK"), Qt::LeftButton);
    EXPECT_EQ(prompt.messages, QStringList({"Pixovia: Please enter no more than 255 characters."}));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(test::focused(), get<QLineEdit>("Folder"));
    typeInto("Folder", "/out");
    QTest::mouseClick(get<QPushButton>("OK"), Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());

    open();
    alt(Qt::Key_E);
    typeInto("Prefix", QString(60, u'p') + "/x");
    EXPECT_EQ(get<QLineEdit>("Prefix")->text(), QString(50, u'p'));
}

// Open on an item, change every group, OK, and write the result into three selected items
// with consecutive numbers, as the job list does.
TEST_F(SettingsDialog, RoundTripIntoThreeItems) {
    open();
    alt(Qt::Key_F);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End); // "JPEG XL"
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up); // AVIF, WebP, TIFF, "PNG"
    typeInto("Folder", "/out");
    alt(Qt::Key_K);
    alt(Qt::Key_R);
    typeInto("Width", "400");
    alt(Qt::Key_T);
    alt(Qt::Key_7); // "270 degree": a quarter turn clockwise
    alt(Qt::Key_M);
    alt(Qt::Key_E);
    typeInto("Prefix", "Trip");
    typeInto("Number From", "5");
    alt(Qt::Key_U);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // "Convert to sRGB"
    alt(Qt::Key_A);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // "Remove location"
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(dlg->result(), QDialog::Accepted);

    const SettingsResult& r = dlg->results();
    std::vector<JobItem> items{picture(800, 600), picture(640, 480), picture(300, 200)};
    std::int32_t number = r.numberFrom;
    for (JobItem& each : items)
        ApplySettings(each, r, number++);
    // 400 x 300 typed, then the quarter turn made it 300 x 400; the 3:2 picture fits within.
    const struct {
        const char* remark;
        int width, height;
    } expected[] = {{"trip005.png, 300x400, Rotate 90, Mirror, sRGB, no location", 300, 400},
                    {"trip006.png, 300x400, Rotate 90, Mirror, sRGB, no location", 300, 400},
                    {"trip007.png, 267x400, Rotate 90, Mirror, sRGB, no location", 267, 400}};
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].remarks, expected[i].remark);
        EXPECT_EQ(items[i].output.folder, "/out");
        EXPECT_EQ(items[i].output.keepFolders, 1);
        EXPECT_EQ(items[i].output.formatCode, kFormatPng);
        EXPECT_EQ(items[i].output.width, expected[i].width);
        EXPECT_EQ(items[i].output.height, expected[i].height);
        EXPECT_EQ(items[i].output.rotate, 90);
        EXPECT_EQ(items[i].output.mirror, 1);
        EXPECT_EQ(items[i].output.prefix, "Trip");
        EXPECT_EQ(items[i].output.startNumber, 5 + static_cast<int>(i));
        EXPECT_EQ(items[i].output.quality, 80);
        EXPECT_EQ(items[i].output.colour, ColourChoice::ConvertToSrgb);
        EXPECT_EQ(items[i].output.metadata, MetadataChoice::RemoveLocation);
    }

    // Opened again on the first item, the dialog shows what was written.
    item = items[0];
    open();
    EXPECT_EQ(get<QComboBox>("Format")->currentText(), "PNG");
    EXPECT_TRUE(get<QCheckBox>("Keep folder structure")->isChecked());
    EXPECT_TRUE(get<QGroupBox>("Resize")->isChecked());
    EXPECT_EQ(editIn("Width")->text(), "300");
    EXPECT_TRUE(get<QRadioButton>("270 degree")->isChecked());
    EXPECT_TRUE(get<QCheckBox>("Mirror")->isChecked());
    EXPECT_EQ(get<QLineEdit>("Prefix")->text(), "Trip");
    EXPECT_EQ(editIn("Number From")->text(), "5");
    EXPECT_EQ(get<QComboBox>("Colour")->currentText(), "Convert to sRGB");
    EXPECT_EQ(get<QComboBox>("Metadata")->currentText(), "Remove location");
}

// Each field is announced with its label. On Linux a list box such as "Format" is named by the
// entry it shows, so its "labelled by" relation is what tells assistive technology "Format".
TEST_F(SettingsDialog, EveryFieldIsLabelledByItsLabel) {
    open();
    for (const char* name :
         {"Format", "Image quality", "Folder", "Width", "Height", "Prefix", "Number From"}) {
        QStringList labels;
        const auto relations = QAccessible::queryAccessibleInterface(get<QWidget>(name))
                                   ->relations(QAccessible::Label);
        for (const auto& [label, relation] : relations)
            labels << label->text(QAccessible::Name);
        EXPECT_TRUE(labels.contains(QString::fromLatin1(name) + u':'))
            << name << ": " << labels.join(u',').toStdString();
    }
}

// The presets by keyboard: save the choices, choose them on another picture, replace, delete.
class PresetsInTheDialog : public SettingsDialog {
protected:
    QTemporaryDir home;
    PresetStore store;
    QStringList asked; // the names "Save..." suggested
    QString answer;

    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
        presets = &store;
    }
    void openWithPresets() {
        open();
        dlg->setNameAsker([this](QWidget*, const QString& suggested) {
            asked << suggested;
            return answer;
        });
    }
    QStringList listed() {
        auto* combo = get<QComboBox>("Preset");
        QStringList names;
        for (int i = 0; i < combo->count(); ++i)
            names << combo->itemText(i);
        return names;
    }
};

TEST_F(PresetsInTheDialog, SaveChooseReplaceAndDelete) {
    openWithPresets();
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_FALSE(get<QPushButton>("Delete")->isEnabled()) << "no preset chosen";
    alt(Qt::Key_R);
    alt(Qt::Key_O);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // "Long edge"
    alt(Qt::Key_G);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "640");
    answer = "Web";
    alt(Qt::Key_V);
    EXPECT_EQ(asked, QStringList{""});
    EXPECT_EQ(listed(), QStringList{"Web"});
    EXPECT_EQ(get<QComboBox>("Preset")->currentText(), "Web");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);

    // Another picture, another time: the preset is still there and fills the dialog.
    item = picture(600, 800);
    openWithPresets();
    EXPECT_FALSE(get<QGroupBox>("Resize")->isChecked());
    alt(Qt::Key_S);
    ASSERT_EQ(test::focused(), get<QWidget>("Preset"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // "Web"
    EXPECT_TRUE(get<QGroupBox>("Resize")->isChecked());
    EXPECT_EQ(get<QComboBox>("Mode")->currentText(), "Long edge");
    EXPECT_EQ(editIn("Long edge")->text(), "640");

    // Saving under the same name asks first: No keeps the old one, Yes replaces it.
    alt(Qt::Key_Y); // "Only shrink"
    answer = "WEB";
    alt(Qt::Key_V);
    EXPECT_EQ(asked.last(), "Web") << "the chosen preset's name is suggested";
    EXPECT_EQ(prompt.questions,
              QStringList{"A preset named \"WEB\" already exists.\nWould you like to replace it?"});
    EXPECT_FALSE(store.find("Web")->contains({"shrinkonly", "1"}));
    prompt.answers = {Answer::Yes};
    alt(Qt::Key_V);
    EXPECT_TRUE(store.find("Web")->contains({"shrinkonly", "1"}));
    EXPECT_EQ(listed(), QStringList{"WEB"});

    prompt.answers = {Answer::Yes};
    alt(Qt::Key_D);
    EXPECT_EQ(prompt.questions.last(), "Would you like to delete the preset \"WEB\"?");
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_FALSE(store.find("WEB"));
}

TEST_F(PresetsInTheDialog, ADamagedPresetIsNamedInTheDialog) {
    {
        QSettings file(home.filePath("Norvance/Pixovia.conf"), QSettings::IniFormat);
        file.setValue("Presets/Old", "pixovia-preset 9\nquality=80");
    }
    openWithPresets();
    EXPECT_TRUE(listed().isEmpty());
    QLabel* note = nullptr;
    for (QLabel* label : dlg->findChildren<QLabel*>()) {
        if (label->text().contains("Old"))
            note = label;
    }
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), "The preset \"Old\" cannot be read (it was saved by a newer version "
                            "of Pixovia) and is left out.");
}

} // namespace
} // namespace pix
