// The emergency check with fake windows and sound: captions, windows, markers, sound, ack.
#include "alarm/emergency.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>

#include "tests/fakes/fake_board.h"
#include "tests/fakes/fake_scheduler.h"

namespace bb {
namespace {

struct FakeForm final : EmergencyForm {
    const Emergency* alarm = nullptr;
    std::int32_t index = -1;  // EmergencyIndex when it last loaded
    std::string tag, caption, shown;
    int left = -1, top = -1;
    bool visible = false, closed = false;
    int Width() const override { return 300; }
    int Height() const override { return 200; }
    ScreenArea Frame() const override { return {left, top, 300, 200}; }
    void Move(int l, int t) override { left = l, top = t; }
    void SetTag(const std::string& t) override { tag = t; }
    void SetCaption(const std::string& c) override { caption = c; }
    void SetShown(const std::string& s) override { shown = s; }
    std::string Shown() const override { return shown; }
    void Reload() override { index = alarm->EmergencyIndex(); }
    void Show() override { visible = true; }
    void BringToFront() override {}
};

class FakeForms final : public EmergencyForms {
  public:
    Emergency* alarm = nullptr;
    std::deque<std::unique_ptr<FakeForm>> forms;
    FakeForm* Open(std::string_view tag) {
        for (auto& f : forms)
            if (!f->closed && f->tag == tag) return f.get();
        return nullptr;
    }
    std::vector<FakeForm*> OpenForms() {
        std::vector<FakeForm*> out;
        for (auto& f : forms)
            if (!f->closed) out.push_back(f.get());
        return out;
    }
    bool IsFormOpen(std::string_view name, std::string_view tag) override {
        return name == "Form2" && Open(tag);
    }
    void CloseFormByTag(std::string_view name, std::string_view tag) override {
        if (FakeForm* f = name == "Form2" ? Open(tag) : nullptr) f->closed = true;
    }
    EmergencyForm* OpenEmergencyWindow(std::string_view tag) override { return Open(tag); }
    std::vector<ScreenArea> EmergencyFrames() const override {
        std::vector<ScreenArea> out;
        for (const auto& f : forms)
            if (!f->closed && f->visible) out.push_back(f->Frame());
        return out;
    }
    EmergencyForm& NewEmergencyWindow() override {
        forms.push_back(std::make_unique<FakeForm>());
        forms.back()->alarm = alarm;
        forms.back()->index = alarm->EmergencyIndex();
        return *forms.back();
    }
    ScreenArea AvailableArea() const override { return {0, 0, 1920, 1080}; }
};

class FakeSound final : public SoundPlayer {
  public:
    std::vector<std::filesystem::path> played;
    bool audible = true;
    void PlayAsync(const std::filesystem::path& f) override { played.push_back(f); }
    bool Audible() const override { return audible; }
};

// Notes as the desktop holds them, and every call made.
class FakeNotifier final : public DesktopNotifier {
  public:
    std::map<std::string, DesktopNote> up;
    std::vector<std::string> shows, closes;
    Handler handler;
    void Show(const std::string& tag, const DesktopNote& note) override {
        up[tag] = note;
        shows.push_back(tag);
    }
    void Close(const std::string& tag) override {
        up.erase(tag);
        closes.push_back(tag);
    }
    void SetHandler(Handler h) override { handler = std::move(h); }
    // The desktop tells of a press, or of the note closed by the user.
    void Press(const std::string& tag, const std::string& action) {
        if (action.empty()) up.erase(tag);
        handler(tag, action);
    }
};

class EmergencyTest : public ::testing::Test, protected testing::FakeBoard {
  protected:
    PhgOverlays map{board, host.map, host, settings};
    FakeForms forms;
    FakeSound sound;
    Emergency alarm{board, map, host, forms, sound, captionBar, settings, actions};
    std::string& caption = captionBar.text;
    // The check that ends a rebuild showing every live record.
    void Check() {
        RebuildFinished();
        alarm.CheckEmergencies(board.Table().LiveCount(), LiveEmergencies());
    }

    void SetUp() override {
        settings.EmergencyScan = settings.EmergencyPlot = settings.EmergencyAlarm = true;
        forms.alarm = &alarm;
        alarm.SetWindowTitle("UI-View Beaconboard V1.0.10");
        alarm.SetSoundFile("/opt/bb/WAV/emergency_1.WAV");
    }
    std::int32_t Add(const std::string& call, bool emergency = true) {
        const std::int32_t i = AddRecord(call);
        StationRecord& r = Record(i);
        r.Emergency = emergency;
        r.Longitude = static_cast<float>(i);
        r.Latitude = 3000;
        if (emergency) ++emergencies;
        return i;
    }
};

// Plot off only counts; scan off does nothing; then a window at the top left, a marker and
// one sound; alarm off is silent, and a distant emergency alarms all the same.
TEST_F(EmergencyTest, TheSwitchesDecideTheCaptionWindowMarkerAndSound) {
    EXPECT_EQ(Emergency::Caption("T", 12, 14, 2), "T [12/14]  !! 2 Emergency beacons !!");
    EXPECT_EQ(Emergency::Caption("T", 0, 0, 0), "T [0/0]");
    Add("QUIET", false);
    const std::int32_t sos = Add("SOS1");
    settings.EmergencyPlot = false;
    Check();
    const std::string one = "UI-View Beaconboard V1.0.10 [2/2]  !! 1 Emergency beacon !!";
    EXPECT_EQ(caption, one);
    EXPECT_TRUE(forms.forms.empty() && host.map.calls.empty() && sound.played.empty());
    caption = "the grid's own";
    settings.EmergencyPlot = true;
    settings.EmergencyScan = false;
    Check();
    EXPECT_EQ(caption, "the grid's own");
    EXPECT_TRUE(forms.forms.empty());
    settings.EmergencyScan = true;
    Check();
    EXPECT_EQ(caption, one);
    ASSERT_EQ(forms.OpenForms().size(), 1u);
    const FakeForm& f = *forms.OpenForms()[0];
    EXPECT_EQ(f.index, sos);  // set right before the window loaded
    EXPECT_EQ(f.tag, "SOS1");
    EXPECT_EQ((WindowPlace{f.left, f.top}), (WindowPlace{0, 0}));
    EXPECT_TRUE(f.visible);
    ASSERT_EQ(host.map.circles.size(), 1u);
    EXPECT_EQ(host.map.circles[0].colour, colour::kRed);
    EXPECT_EQ(host.map.circles[0].x, static_cast<float>(sos));
    EXPECT_EQ(sound.played, std::vector<std::filesystem::path>{alarm.SoundFile()});
    settings.EmergencyAlarm = false;
    settings.EmergencyIgnoreOnDistance = true;
    settings.EmergencyIgnoreDistance = 1000;
    Record(Add("FAR")).Distance = 5000;
    Check();
    EXPECT_EQ(forms.OpenForms().size(), 2u);
    EXPECT_EQ(sound.played.size(), 1u);
}

TEST_F(EmergencyTest, WindowsBeyondTheScreenWrapIntoFreePlacesThenCascadeInsideIt) {
    ScreenArea area{0, 30, 1000, 700};  // room for 3 by 3 windows of 300 by 200
    std::vector<ScreenArea> taken;
    std::vector<WindowPlace> places;
    for (int k = 0; k < 14; ++k)
        places.push_back(PlaceEmergencyWindow(300, 200, area, taken));
    // The first three as they always were, below the panel at the top.
    EXPECT_EQ(std::vector(places.begin(), places.begin() + 3),
              (std::vector<WindowPlace>{{0, 30}, {300, 30}, {600, 230}}));
    for (const WindowPlace& p : places)
        EXPECT_TRUE(p.left >= 0 && p.left <= 700 && p.top >= 30 && p.top <= 530)
            << p.left << "," << p.top;
    // The nine tiles are each used once, none covering another, before any cascade.
    for (std::size_t a = 0; a < 9; ++a)
        for (std::size_t b = a + 1; b < 9; ++b)
            EXPECT_FALSE(taken[a].Overlaps(taken[b])) << a << " " << b;
    EXPECT_NE(places[9], places[10]);
    // Windows the user moved keep their places: a new one takes the first tile clear of them.
    for (const auto& [open, at] : {std::pair{ScreenArea{0, 30, 300, 200}, WindowPlace{300, 30}},
                                   {ScreenArea{150, 30, 300, 200}, WindowPlace{600, 230}}}) {
        taken = {open};
        EXPECT_EQ(PlaceEmergencyWindow(300, 200, area, taken), at);
    }
    // A window larger than the screen stays at its top left corner.
    taken.clear();
    EXPECT_EQ(PlaceEmergencyWindow(2000, 2000, area, taken), (WindowPlace{0, 30}));
}

TEST_F(EmergencyTest, AckPressedDuringAPassAcknowledgesThatWindowsStation) {
    Add("A");
    Add("B");
    Add("C");
    Check();
    // New comments: the next pass loads each window again.
    for (std::int32_t i = 0; i < 3; ++i)
        Record(i).SetComment("moved on");
    // At the next pass's pause before B the user acks A's (replaced) and C's (not yet).
    host.onPause = [this](int) {
        if (board.Table()[alarm.EmergencyIndex()].Callsign == "A" && forms.Open("C")) {
            alarm.Acknowledge("A");
            forms.Open("A")->closed = true;
            alarm.Acknowledge("C");
            forms.Open("C")->closed = true;
        }
    };
    Check();
    ASSERT_EQ(forms.OpenForms().size(), 1u);
    EXPECT_EQ(forms.OpenForms()[0]->tag, "B");
    const StationTable& t = board.Table();
    EXPECT_EQ((std::vector<bool>{t[0].EmergencyAcknowledged, t[1].EmergencyAcknowledged,
                                 t[2].EmergencyAcknowledged}),
              (std::vector<bool>{true, false, true}));
}

TEST_F(EmergencyTest, ABurstOfChecksReplacesTheWindowsAtMostTwiceASecond) {
    testing::FakeScheduler scheduler;
    alarm.AlarmGate().SetScheduler(&scheduler);
    Add("SOS1");
    // Twenty rebuilds in one second, 50 ms apart.
    for (int i = 0; i < 20; ++i) {
        Check();
        scheduler.Advance(50);
    }
    EXPECT_GE(alarm.AlarmGate().Passes(), 2);
    EXPECT_LE(alarm.AlarmGate().Passes(), 3);
    EXPECT_EQ(forms.OpenForms().size(), 1u);
    EXPECT_EQ(caption, "UI-View Beaconboard V1.0.10 [1/1]  !! 1 Emergency beacon !!");
}

class EmergencyNoteTest : public EmergencyTest {
  protected:
    FakeNotifier notifier;
    void SetUp() override {
        EmergencyTest::SetUp();
        settings.EmergencyNotify = true;
        alarm.SetNotifier(&notifier);
    }
    // A new record of `call`, as a beacon makes it.
    std::int32_t Beacon(const std::string& call, bool emergency, std::int32_t heard) {
        board.Table().Supersede(call);
        const std::int32_t i = Add(call, emergency);
        Record(i).HeardTime = heard;
        return i;
    }
};

TEST_F(EmergencyNoteTest, EachAlarmingRecordIsOneNoteWhoseButtonsAreTheWindows) {
    StationRecord& r = Record(Add("QSY1"));
    r.Distance = 12.345;
    r.Bearing = 271;
    r.SetComment("injured hiker");
    r.HasQSY = true;
    Record(Add("PLAIN")).Distance = 3;
    Add("QUIET", false);
    Check();
    ASSERT_EQ(notifier.up.size(), 2u);
    const DesktopNote& qsy = notifier.up["QSY1"];
    EXPECT_EQ(qsy.summary, "Emergency beacon from QSY1");
    EXPECT_EQ(qsy.body, "dist: 12.35 km   dir: 271 degrees\ninjured hiker");
    EXPECT_EQ(notifier.up["PLAIN"].body, "dist: 3.00 km   dir: 0 degrees");
    // An unknown action does nothing; a note the user closed stays closed, its window alarms on;
    // the note's ack acknowledges, closing the window and the note.
    notifier.Press("QSY1", "default");
    notifier.Press("PLAIN", "");
    Check();
    EXPECT_FALSE(notifier.up.contains("PLAIN") || board.Table()[0].EmergencyAcknowledged);
    EXPECT_NE(forms.Open("PLAIN"), nullptr);
    notifier.Press("QSY1", "ack");
    EXPECT_TRUE(board.Table()[0].EmergencyAcknowledged);
    EXPECT_FALSE(forms.Open("QSY1") || notifier.up.contains("QSY1"));
    Check();
    EXPECT_FALSE(forms.Open("QSY1") || notifier.up.contains("QSY1"));  // until it beacons again
    // The station beacons again in emergency, even with the same text: one new note.
    Beacon("PLAIN", true, 100);
    Check();
    Check();
    EXPECT_EQ(notifier.shows, (std::vector<std::string>{"QSY1", "PLAIN", "PLAIN"}));
    EXPECT_EQ(notifier.closes, std::vector<std::string>{"QSY1"});  // by its ack only
    // A comment of 100 KB is cut to what a note can show, whole characters only.
    Record(Beacon("PLAIN", true, 200)).SetComment(std::string(99999, 'x') + "\xC3\xA9");
    Check();
    const std::string& body = notifier.up["PLAIN"].body;
    EXPECT_LT(body.size(), 1000u);
    EXPECT_TRUE(body.ends_with("x\xE2\x80\xA6")) << body.substr(body.size() - 8);
}

// Without a sound device the log says so once a run, and the note carries the alarm.
TEST_F(EmergencyNoteTest, WithoutSoundTheNoteCarriesTheAlarmAndTheLogSaysSoOnce) {
    sound.audible = false;
    settings.EmergencyNotify = false;
    Add("SOS1");
    Check();
    Beacon("SOS1", true, 60);
    Check();
    EXPECT_TRUE(sound.played.empty());
    EXPECT_EQ(notifier.shows, (std::vector<std::string>{"SOS1", "SOS1"}));
    const std::string log = fs.LogText();
    const std::string line =
        " > Emergency alarm cannot be heard: there is no sound output; the desktop notification "
        "carries the alarm\r\n";
    ASSERT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find(line), log.rfind(line));
}

TEST_F(EmergencyNoteTest, NotesCloseWhenTheStationStopsAlarmingOrTheyAreSwitchedOff) {
    Add("ENDS");
    Add("GOES");
    Add("STAYS");
    Check();
    ASSERT_EQ(notifier.up.size(), 3u);
    // ENDS reports a plain position now; GOES leaves the table.
    Beacon("ENDS", false, 10);
    board.Table().MarkDeleted("GOES");
    emergencies -= 2;
    Check();
    EXPECT_EQ(notifier.closes, (std::vector<std::string>{"ENDS", "GOES"}));
    EXPECT_EQ(notifier.up.size(), 1u);
    // The last emergency ends: a pass with none still closes its note.
    Beacon("STAYS", false, 10);
    --emergencies;
    Check();
    EXPECT_TRUE(notifier.up.empty());

    Beacon("STAYS", true, 20);
    for (bool* off :
         {&settings.EmergencyNotify, &settings.EmergencyPlot, &settings.EmergencyScan}) {
        Check();
        ASSERT_EQ(notifier.up.size(), 1u);
        *off = false;  // notes off, or no windows and so no notes either
        Check();
        EXPECT_TRUE(notifier.up.empty());
        EXPECT_TRUE(off != &settings.EmergencyNotify || forms.Open("STAYS"));  // alarms on
        *off = true;
    }
}

}  // namespace
}  // namespace bb
