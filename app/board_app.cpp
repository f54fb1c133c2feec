#include "app/board_app.h"

#include <QApplication>
#include <QHeaderView>

#include "app/services.h"
#include "generated/version.h"
#include "support/common.h"
#include "support/system_api.h"
#include "support/vb_error.h"

namespace bb::app {
namespace {

QString WindowTitle() {
    return QStringLiteral("UI-View Beaconboard V%1.%2.%3")
        .arg(version::kMajor)
        .arg(version::kMinor)
        .arg(version::kRevision);
}

}  // namespace

BoardApp::BoardApp() : table_(new QTableWidget(&window_)) {
    window_.setWindowTitle(WindowTitle());
    window_.setCentralWidget(table_);
    window_.resize(900, 500);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
}

BoardApp::~BoardApp() = default;

void BoardApp::Form_Load(QDBusConnection bus) {
    TrapWith(
        [&] {
            host_ = DBusHost::Create(bus);
            host_->Map();
            host_->SetNotify(true);
            board_ = std::make_unique<StationBoard>(*host_, pump_);
            board_->HostReady = true;
            host_->SetEvents(board_.get(), this);
            BoardHooks& hooks = board_->Hooks();
            hooks.build_station_grid = [this] { ShowStations(); };
            hooks.host_closing = [this] { HostClosing(); };
            window_.setWindowTitle(WindowTitle());
            StartServices();
            // The events held since the bind run inside the scan, once it
            // has reset the table.
            host_->Release();
            board_->scan_stations();
        },
        [](std::int16_t number) {
            // A bind that fails comes before the log is readied; ready it
            // so that the failure reaches the log.
            if (Common::LogPath().empty()) StartServices();
            LogError(number, "Form1.Form_Load");
        });
}

void BoardApp::Form_Unload() {
    Trap("Form1.Form_Unload", [&] {
        if (stopped_) return;  // a nested unload after the host closed
        stopped_ = true;
        StopServices();
    });
}

void BoardApp::HostClosing() {
    Form_Unload();
    window_.close();
    sys::Current().process->EndNow();
}

// Until the station grid comes: one row per live station, newest last.
void BoardApp::ShowStations() {
    if (!board_) return;
    const StationTable& t = board_->Table();
    table_->setUpdatesEnabled(false);
    table_->clear();
    table_->setColumnCount(6);
    table_->setHorizontalHeaderLabels({QStringLiteral("Callsign"), QStringLiteral("Latitude"),
                                       QStringLiteral("Longitude"), QStringLiteral("Maidenhead"),
                                       QStringLiteral("Distance"), QStringLiteral("Comment")});
    table_->setRowCount(static_cast<int>(t.LiveCount()));
    int row = 0;
    t.ForEachLive([&](std::int32_t, const StationRecord& r) {
        if (row >= table_->rowCount()) return;
        const QString cells[] = {
            QString::fromStdString(r.Callsign),      QString::fromStdString(r.LatitudeText),
            QString::fromStdString(r.LongitudeText), QString::fromStdString(r.Locator),
            QString::number(r.Distance, 'f', 1),     QString::fromStdString(r.Comment)};
        for (int c = 0; c < 6; ++c)
            table_->setItem(row, c, new QTableWidgetItem(cells[c]));
        ++row;
    });
    table_->setUpdatesEnabled(true);
    window_.setWindowTitle(WindowTitle() +
                           QStringLiteral("   [%1/%2]").arg(row).arg(t.StationCount()));
    board_->HostReady = false;
}

}  // namespace bb::app
