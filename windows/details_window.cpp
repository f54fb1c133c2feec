#include "windows/details_window.h"

#include "windows/twip_layout.h"

#include "map/arrow.h"
#include "platform/qt_text.h"
#include "stations/comment_decoder.h"
#include "support/error_trap.h"
#include "support/number_format.h"
#include "support/vbtypes.h"

namespace bb::windows {
namespace {

using platform::Q;

constexpr float kPi = 3.1415927f;

// The window drawn large enough for its captions and for the longest value
// each field can show, in the window's own font.
TwipLayout DetailsLayout(const QFontMetrics& font) {
    return TwipLayout::Fitting(font, {{QStringLiteral("Lat."), 480},
                                      {QStringLiteral("Long."), 600},
                                      {QStringLiteral("Dist."), 480},
                                      {QStringLiteral("Bear."), 600},
                                      {QStringLiteral("Speed"), 480},
                                      {QStringLiteral("Course"), 480},
                                      {QStringLiteral("PHGR"), 480},
                                      {QStringLiteral("Beacon"), 600},
                                      {QStringLiteral("Operating Freq."), 1440},
                                      {QStringLiteral("MHz"), 400},
                                      {QStringLiteral("89.59.59S"), 960},
                                      {QStringLiteral("179.59.59W"), 1305},
                                      {QStringLiteral("20037.5"), 960},
                                      {QStringLiteral("P=81W H=5120Ft G=9dB D=Omni R=99"), 2865},
                                      {QStringLiteral("1296.2500"), 900},
                                      {QStringLiteral("cmnt"), 405},
                                      {QStringLiteral("Tune"), 795}});
}

}  // namespace

double DetailAngle(double degrees) {
    return kPi / 2 - degrees / (360 / 6.28);
}

QLabel* Form5::Label(const char* text, int left, int top, int width, int height) {
    auto* l = new QLabel(QString::fromLatin1(text), this);
    l->setGeometry(layout_.Rect(left, top, width, height));
    return l;
}

platform::QtPictureBox* Form5::Box(int top) {
    auto* b = new platform::QtPictureBox(this);
    b->setGeometry(layout_.Rect(3480, top, 375, 375));
    return b;
}

Form5::Form5(const Form5Services& services, const std::string& callsign, QWidget* parent)
    : QWidget(parent),
      Callsign(callsign),
      services_(services),
      layout_(DetailsLayout(fontMetrics())) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Form5"));
    setFixedSize(layout_.Px(3975), layout_.Px(3555));
    // The value fields reach to the next control of their line.
    Label1 = Label("Lat.", 120, 120);
    lblLatitude = Label("Latitude", 600, 120, 960);
    Label2 = Label("Long.", 1560, 120);
    lblLongitude = Label("Longitude", 2160, 120, 1305);
    Label3 = Label("Dist.", 120, 600);
    lblDistance = Label("Distance", 600, 600, 960);
    Label4 = Label("Bear.", 1560, 600);
    lblBearing = Label("Bearing", 2160, 600, 1305);
    Label6 = Label("Speed", 120, 1080);
    lblSpeed = Label("Speed", 600, 1080, 960);
    Label7 = Label("Course", 1680, 1080);
    lblCourse = Label("Course", 2160, 1080, 1305);
    lblPHGTitle = Label("PHG", 120, 1560);
    lblPHG = Label("PHG", 600, 1560, 2865);
    Label11 = Label("Beacon", 120, 2040);
    lblBeacon = Label("Beacon", 720, 2040, 3135, 735);
    lblBeacon->setWordWrap(true);
    lblBeacon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label8 = Label("Operating Freq.", 120, 2880, 1400);
    lblMHz = Label("MHz", 1560, 2880, 900);
    Label9 = Label("MHz", 2460, 2880, 400);
    SetupLabel = Label("", 120, 3240, 3735);
    Picture1 = Box(120);
    Picture2 = Box(600);
    Picture3 = Box(1080);
    Picture4 = Box(1560);
    cmdBeaconComment = new QPushButton(QStringLiteral("all"), this);
    cmdBeaconComment->setGeometry(layout_.Rect(120, 2280, 585, 330));
    cmdTune = new QPushButton(QStringLiteral("Tune"), this);
    cmdTune->setGeometry(layout_.Rect(3000, 2820, 975, 360));
    connect(cmdBeaconComment, &QPushButton::clicked, this, [this] { cmdBeaconComment_Click(); });
    connect(cmdTune, &QPushButton::clicked, this, [this] { cmdTune_Click(); });
    Form_Load();
}

void Form5::Form_Load() {
    Trap("Form5.Form_Load", [&] {
        setWindowTitle(Q("Detail of " + Callsign));
        if (!services_.board) Raise(err::kObjectNotSet, "Form5");
        StationIndex = services_.board->Table().find_station(Callsign);
        // No live record: the caption and the placeholders.
        if (StationIndex < 0) return;
        Record = services_.board->Table()[StationIndex];
        const StationRecord& r = *Record;
        const char decimal = DecimalSeparator();
        lblLatitude->setText(Q(r.LatitudeText()));
        lblLongitude->setText(Q(r.LongitudeText()));
        if (services_.actions) {
            const std::shared_ptr<const Picture> picture =
                services_.actions->SymbolPicture(r.Symbol);
            if (picture) Picture1->SetPicture(picture.get());
        }
        lblDistance->setText(Q(FixedDecimals(r.Distance, 1, decimal)));
        lblBearing->setText(Q(Whole(r.Bearing)));
        const platform::QtSystemColours colours;
        const bool moving = r.Speed != kNoSpeed;
        for (QWidget* w :
             std::initializer_list<QWidget*>{Label6, Label7, lblSpeed, lblCourse, Picture3})
            w->setVisible(moving);
        if (moving) {
            lblSpeed->setText(Q(Whole(r.Speed)));
            lblCourse->setText(Q(Whole(r.Course)));
            Arrow::DrawDirectionArrow(*Picture3, DetailAngle(r.Course), colours);
        }
        const bool phg = r.HasPHG || r.HasPHGRate;
        for (QWidget* w : std::initializer_list<QWidget*>{lblPHGTitle, lblPHG, Picture4})
            w->setVisible(phg);
        if (phg) {
            const PHGInfo& p = r.PHG;
            PHGText = "P=" + std::to_string(p.Power) + "W" + " H=" + NumberText(p.Height) + "Ft" +
                      " G=" + std::to_string(p.Gain) + "dB" + " D=" + p.Directivity;
            if (r.HasPHGRate) PHGText += " R=" + std::to_string(p.Rate);
            lblPHGTitle->setText(r.HasPHGRate ? QStringLiteral("PHGR") : QStringLiteral("PHG"));
            lblPHG->setText(Q(PHGText));
            if (p.DirectivityCode == 0)
                Arrow::DrawCompassCircle(*Picture4);
            else
                Arrow::DrawDirectionArrow(*Picture4, DetailAngle(p.DirectivityCode * 45.0),
                                          colours);
        }
        Arrow::DrawDirectionArrow(*Picture2, DetailAngle(r.Bearing), colours);
        cmdTune->setEnabled(r.HasQSY);
        lblMHz->setText(r.HasQSY ? Q(r.QSY->Frequency) : QStringLiteral("-----"));
        SetupLabel->setText(r.HasQSY ? Q(DescribeRadioSetup(r.QSY->Setup, decimal)) : QString());
        lblBeacon->setText(Q(r.BeaconText));
    });
}

void Form5::cmdBeaconComment_Click() {
    Trap("Form5.cmdBeaconComment_Click", [&] {
        // The record found at load, superseded or not.
        if (!Record) Raise(err::kSubscript, "no station");
        const StationRecord& r = *Record;
        const bool showAll = cmdBeaconComment->text() != QStringLiteral("all");
        cmdBeaconComment->setText(showAll ? QStringLiteral("all") : QStringLiteral("cmnt"));
        lblBeacon->setText(Q(showAll ? r.BeaconText.view() : r.Comment()));
    });
}

void Form5::cmdTune_Click() {
    Trap("Form5.cmdTune_Click", [&] {
        if (!Record) Raise(err::kSubscript, "no station");
        if (services_.actions) services_.actions->TuneRecord(*Record);
    });
}

}  // namespace bb::windows
