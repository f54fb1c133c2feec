#include "windows/options_dialog.h"

#include <QButtonGroup>
#include <QTabBar>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/qt_text.h"
#include "support/error_trap.h"
#include "support/number_format.h"
#include "support/vbtypes.h"
#include "support/watch_list.h"
#include "windows/desktop.h"

namespace bb::windows {
namespace {

using platform::Q;

QString L(const char* s) {
    return QString::fromLatin1(s);
}

}  // namespace

double LocaleNumber(const std::string& text, char decimal) {
    std::string s(Trim(text));
    if (s.empty()) Raise(err::kTypeMismatch, "empty number");
    for (char& c : s) {
        if (c == decimal)
            c = '.';
        else if (c == '.' && decimal != '.')
            Raise(err::kTypeMismatch, text);
    }
    // The text in the C form now: read it so, whatever the process's locale.
    const char* first = s.c_str();
    const char* last = first + s.size();
    if (*first == '+') ++first;
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || !std::isfinite(value) ||
        s.find_first_of("xXnNiI") != std::string::npos)
        Raise(err::kTypeMismatch, text);
    return value;
}

QWidget* frmOptions::Page(const char* caption) {
    auto* page = new QWidget;
    tbsOptions->addTab(page, L(caption));
    return page;
}

QCheckBox* frmOptions::Check(QWidget* page, const char* caption, int top,
                             bool SettingValues::*setting, const char* procedure) {
    auto* box = new QCheckBox(L(caption), page);
    box->setGeometry(16, top, 300, 22);
    if (setting)
        connect(box, &QCheckBox::stateChanged, this, [this, box, setting, procedure] {
            Trap(procedure, [&] { services_.values->*setting = box->checkState() == Qt::Checked; });
        });
    return box;
}

frmOptions::frmOptions(OptionsServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setFixedSize(560, 380);
    tbsOptions = new QTabWidget(this);
    tbsOptions->setGeometry(8, 8, 544, 322);

    QWidget* columns = Page("Select columns");
    // Group captions over the columns they head: position, relative, PHG, QSY.
    const int groupOf[18] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3};
    const char* groups[] = {"Positional", "Relative", "PHG", "Operational freq."};
    for (int g = 0; g < 4; ++g)
        (new QLabel(L(groups[g]), columns))->setGeometry(12 + g * 132, 8, 128, 20);
    int row[4] = {};
    for (int i = 0; i < 18; ++i) {
        const int g = groupOf[i];
        chkField[i] = new QCheckBox(columns);
        chkField[i]->setGeometry(12 + g * 132, 32 + row[g]++ * 24, 128, 22);
        connect(chkField[i], &QCheckBox::stateChanged, this, [this, i] {
            Trap("frmOptions.chkField_Click", [&] {
                // The callsign column cannot be hidden.
                if (i == 0 || !services_.columns) return;
                services_.columns->SetVisible(i, chkField[i]->checkState() == Qt::Checked);
            });
        });
    }

    QWidget* emergency = Page("Emergency Settings");
    chkEmergencyScan = Check(emergency, "Scan for Emergency beacons", 16,
                             &SettingValues::EmergencyScan, "frmOptions.chkEmergencyScan_Click");
    chkEmergencySoundAlarm = Check(emergency, "Sound alarm", 44, &SettingValues::EmergencyAlarm,
                                   "frmOptions.chkEmergencySoundAlarm_Click");
    chkEmergencyPlot = Check(emergency, "Show on map", 72, &SettingValues::EmergencyPlot,
                             "frmOptions.chkEmergencyPlot_Click");
    chkEmergencyIgnoreDistance = Check(emergency, "Ignore if distance greater then ", 100,
                                       &SettingValues::EmergencyIgnoreOnDistance,
                                       "frmOptions.chkEmergencyIgnoreDistance_Click");
    chkEmergencyIgnoreDistance->setGeometry(16, 100, 230, 22);
    txtEmergencyIgnoreDistance = new QLineEdit(emergency);
    txtEmergencyIgnoreDistance->setGeometry(250, 100, 80, 22);
    connect(txtEmergencyIgnoreDistance, &QLineEdit::textChanged, this,
            [this] { txtEmergencyIgnoreDistance_Change(); });
    NotifyBox = Check(emergency, "Desktop notification", 128, &SettingValues::EmergencyNotify,
                      "frmOptions.NotifyBoxChanged");

    QWidget* radios = Page("External Radio(s)");
    ChkOptRadioHRD = Check(radios, "Try to connect to Ham Radio Deluxe", 16, nullptr, nullptr);
    ChkOptRadioDXL = Check(radios, "Try to connect to DXLab-Commander", 44, nullptr, nullptr);
    // The board always looks for both programs; the boxes say so.
    for (QCheckBox* b : {ChkOptRadioHRD, ChkOptRadioDXL}) {
        b->setChecked(true);
        b->setEnabled(false);
        b->setToolTip(QStringLiteral("The board looks for this program every 5 seconds"));
    }
    ToneAndOffsetBox =
        Check(radios, "Set tone and offset when tuning", 72, &SettingValues::SetToneAndOffset,
              "frmOptions.ToneAndOffsetBoxChanged");

    QWidget* phg = Page("PHG");
    chkPHG = Check(phg, "Plot PHG data on map", 16, &SettingValues::PHGPlotOnMap,
                   "frmOptions.chkPHG_Click");
    QWidget* vicinity = Page("Vicinity Alarm");
    (new QLabel(L("Watch these stations (callsigns and patterns such as PA3*, *-9):"), vicinity))
        ->setGeometry(16, 16, 500, 22);
    WatchEdit = new QLineEdit(vicinity);
    WatchEdit->setObjectName(QStringLiteral("WatchEdit"));
    WatchEdit->setGeometry(16, 42, 500, 24);
    WatchEdit->setPlaceholderText(QStringLiteral("PA3XYZ-9, G4*"));
    connect(WatchEdit, &QLineEdit::textChanged, this, [this] { WatchEditChanged(); });
    const auto number = [&](const char* caption, int top, int most, const char* unit,
                            std::int32_t SettingValues::*setting, const char* procedure) {
        (new QLabel(L(caption), vicinity))->setGeometry(16, top, 330, 24);
        auto* box = new QSpinBox(vicinity);
        box->setRange(0, most);
        box->setSuffix(L(unit));
        box->setSpecialValueText(QStringLiteral("off"));
        box->setGeometry(350, top, 120, 24);
        connect(box, &QSpinBox::valueChanged, this, [this, setting, procedure](int value) {
            Trap(procedure, [&] { services_.values->*setting = value; });
        });
        return box;
    };
    NearKmBox = number("Tell of a new station within", 84, 20000, " km",
                       &SettingValues::AlertNearKm, "frmOptions.NearKmBoxChanged");
    QuietMinutesBox =
        number("Tell when a watched station is silent for", 116, 7 * 24 * 60, " min",
               &SettingValues::AlertQuietMinutes, "frmOptions.QuietMinutesBoxChanged");
    auto* legend = new QLabel(
        L("Rows of stations within this distance have the Legend's Vicinity colour. Alerts are "
          "desktop notifications, switched with the emergency ones."),
        vicinity);
    legend->setWordWrap(true);
    legend->setGeometry(16, 152, 500, 48);
    new QLabel(Page("Details"));
    optLanguages = new QRadioButton(Page("Language"));
    optLanguages->setGeometry(16, 16, 200, 22);

    QWidget* units = Page("Units");
    auto* locator = new QGroupBox(QStringLiteral("Locator"), units);
    locator->setGeometry(12, 8, 250, 110);
    const char* locators[] = {"6 digits (JO22KM)", "8 digits (JO22KM60)", "10 digits (JO22KM60QS)"};
    for (int i = 0; i < 3; ++i) {
        optLocator[i] = new QRadioButton(L(locators[i]), locator);
        optLocator[i]->setGeometry(12, 22 + i * 26, 230, 22);
        connect(optLocator[i], &QRadioButton::toggled, this, [this, i](bool on) {
            Trap("frmOptions.optLocator_Click", [&] {
                if (on) services_.values->FormatLocator = static_cast<std::int16_t>(6 + 2 * i);
            });
        });
    }
    auto* distance = new QGroupBox(QStringLiteral("Distance / Speed"), units);
    distance->setGeometry(272, 8, 250, 84);
    optUnits[0] = new QRadioButton(QStringLiteral("Metric Units"), distance);
    optUnits[1] = new QRadioButton(QStringLiteral("Imperial Units"), distance);
    for (int i = 0; i < 2; ++i)
        optUnits[i]->setGeometry(12, 22 + i * 26, 230, 22);
    // Distances and speeds are shown in kilometres and km/h only.
    optUnits[0]->setChecked(true);
    distance->setEnabled(false);
    distance->setToolTip(QStringLiteral("Distances and speeds are shown in metric units"));
    auto* age = new QGroupBox(QStringLiteral("Beacon Age"), units);
    age->setGeometry(272, 100, 250, 84);
    optAge[0] = new QRadioButton(QStringLiteral("Age in MM:SS"), age);
    optAge[1] = new QRadioButton(QStringLiteral("Age in seconds"), age);
    for (int i = 0; i < 2; ++i) {
        optAge[i]->setGeometry(12, 22 + i * 26, 230, 22);
        connect(optAge[i], &QRadioButton::toggled, this, [this, i](bool on) {
            Trap("frmOptions.optAge_Click", [&] {
                if (on) services_.values->FormatAgeMMSS = i == 0;
            });
        });
    }

    // Every page's tab shown at once, without scroll arrows: the dialog is
    // as wide as its tabs need.
    tbsOptions->setUsesScrollButtons(false);
    const int width = std::max(560, tbsOptions->tabBar()->sizeHint().width() + 24);
    setFixedSize(width, 380);
    tbsOptions->setGeometry(8, 8, width - 16, 322);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdApply = new QPushButton(QStringLiteral("Apply"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdOK->setGeometry(width - 280, 340, 84, 28);
    cmdApply->setGeometry(width - 188, 340, 84, 28);
    cmdCancel->setGeometry(width - 96, 340, 84, 28);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    Form_Load();
}

void frmOptions::Form_Load() {
    Trap("frmOptions.Form_Load", [&] {
        CentreOnScreen(*this);
        SettingValues& v = *services_.values;
        if (services_.columns) {
            for (int i = 0; i <= services_.columns->UpperBound() && i < 18; ++i) {
                if (services_.board) chkField[i]->setText(Q(services_.board->ColumnTitle(i)));
                chkField[i]->setChecked(services_.columns->Visible(i));
            }
        }
        chkField[0]->setTristate(true);
        chkField[0]->setCheckState(Qt::PartiallyChecked);
        chkField[0]->setEnabled(false);
        // Copies first: each control stores its value again as it is set.
        const SettingValues loaded = v;
        chkEmergencyScan->setChecked(loaded.EmergencyScan);
        chkEmergencySoundAlarm->setChecked(loaded.EmergencyAlarm);
        chkEmergencyPlot->setChecked(loaded.EmergencyPlot);
        chkEmergencyIgnoreDistance->setChecked(loaded.EmergencyIgnoreOnDistance);
        NotifyBox->setChecked(loaded.EmergencyNotify);
        // In the user's own number format, as it is read back.
        txtEmergencyIgnoreDistance->setText(
            Q(WithSeparator(NumberText(loaded.EmergencyIgnoreDistance), DecimalSeparator())));
        optAge[loaded.FormatAgeMMSS ? 0 : 1]->setChecked(true);
        if (loaded.FormatLocator == 6 || loaded.FormatLocator == 8 || loaded.FormatLocator == 10)
            optLocator[(loaded.FormatLocator - 6) / 2]->setChecked(true);
        chkPHG->setChecked(loaded.PHGPlotOnMap);
        ToneAndOffsetBox->setChecked(loaded.SetToneAndOffset);
        WatchEdit->setText(Q(loaded.AlertWatch));
        NearKmBox->setValue(loaded.AlertNearKm);
        QuietMinutesBox->setValue(loaded.AlertQuietMinutes);
    });
}

void frmOptions::txtEmergencyIgnoreDistance_Change() {
    Trap("frmOptions.txtEmergencyIgnoreDistance_Change", [&] {
        services_.values->EmergencyIgnoreDistance =
            LocaleNumber(txtEmergencyIgnoreDistance->text().toStdString(), DecimalSeparator());
    });
}

void frmOptions::WatchEditChanged() {
    Trap("frmOptions.WatchEditChanged", [&] {
        const std::string typed = WatchEdit->text().toStdString();
        // What cannot be a callsign or pattern is left out, and marked.
        bool bad = false;
        services_.values->AlertWatch = NormalWatchList(typed, {}, &bad);
        QPalette p = palette();
        if (bad) p.setColor(QPalette::Base, QColor(255, 200, 200));
        WatchEdit->setPalette(p);
    });
}

void frmOptions::cmdApply_Click() {
    Trap("frmOptions.cmdApply_Click", [&] {
        if (!services_.board) return;
        if (tbsOptions->currentIndex() == 0) services_.board->SelectColumns();
        services_.board->SaveSettings();
        services_.board->RebuildGrid();
    });
}

void frmOptions::cmdOK_Click() {
    Trap("frmOptions.cmdOK_Click", [&] {
        if (services_.board && tbsOptions->currentIndex() == 0) {
            services_.board->SelectColumns();
            services_.board->RebuildGrid();
        }
        if (services_.board) services_.board->SaveSettings();
        close();
    });
}

void frmOptions::cmdCancel_Click() {
    Trap("frmOptions.cmdCancel_Click", [&] { close(); });
}

}  // namespace bb::windows
