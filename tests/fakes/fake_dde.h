// Scripted radio-control programs and a hand-driven timer for the radio link.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/dde.h"
#include "support/error_trap.h"
#include "support/timer.h"

namespace bb::testing {

class FakeTimer final : public Timer {
  public:
    int interval = 0;
    bool enabled = false;
    void SetInterval(int ms) override { interval = ms; }
    void SetEnabled(bool on) override { enabled = on; }
    bool Enabled() const override { return enabled; }
    // The tick the event loop would deliver.
    void Fire() {
        if (enabled) Ticked();
    }
};

struct FakeTopic {
    std::set<std::string> items;
    bool refuse = false;  // every execute refused
    bool hang = false;    // every call times out
    std::vector<std::string> executes;
    std::map<std::string, std::string> values;  // what a request for an item answers
};

class FakeDde final : public dde::Layer {
  public:
    // application -> topic -> what it answers.
    std::map<std::string, std::map<std::string, FakeTopic>> programs;
    // Every link property set and execute, in order.
    std::vector<std::string> log;
    std::map<std::string, dde::ExecuteHandler> served;  // "service|topic"

    // The two radio-control programs with the topics and items they offer.
    void StartCommander() {
        programs["CI-V Commander"]["CIV_CommanderUI"].items = {"FreqDisplay"};
        programs["CI-V Commander"]["DDEServer"].items = {"Mode", "DDECommand"};
    }
    void StartHrd() {
        programs["HRD_RADIO_000"]["HRD_CAT"].items = {"HRD_HERTZ", "HRD_MODE", "HRD_RADIO"};
    }
    // Ends the program; its conversations end with it.
    void Stop(const std::string& application) {
        programs.erase(application);
        ++generation;
    }
    int generation = 0;
    FakeTopic& Topic(const std::string& application, const std::string& topic) {
        return programs[application][topic];
    }
    // An execute from another program to one of ours; false when refused or not offered.
    bool ExecuteOurs(const std::string& service, const std::string& topic, const std::string& c) {
        auto it = served.find(service + "|" + topic);
        return it != served.end() && it->second(c);
    }

    class End final : public dde::Endpoint {
      public:
        explicit End(FakeDde& dde) : dde_(dde) {}
        void SetLinkTopic(std::string_view t) override {
            topic_ = t;
            dde_.log.push_back("topic " + topic_);
        }
        void SetLinkItem(std::string_view i) override {
            item_ = i;
            dde_.log.push_back("item " + item_);
        }
        void SetLinkMode(dde::LinkMode mode) override {
            open_ = nullptr;
            if (mode == dde::LinkMode::None) return;
            dde_.log.push_back("link");
            FakeTopic* t = Find();
            if (!t || !t->items.count(item_)) Raise(err::kDdeNoResponse, topic_);
            if (t->hang) Raise(err::kDdeTimeout, topic_);
            open_ = t;
            generation_ = dde_.generation;
        }
        void LinkExecute(std::string_view command) override {
            FakeTopic* t = Open("execute " + std::string(command));
            if (t->refuse) Raise(err::kDdeRefused, topic_);
            t->executes.emplace_back(command);
        }
        std::string LinkRequest(std::string_view item) override {
            FakeTopic* t = Open("request " + std::string(item));
            auto v = t->values.find(std::string(item));
            if (v == t->values.end()) Raise(err::kDdeNoResponse, "no item");
            return v->second;
        }

      private:
        // The conversation's topic, still open, for a call logged as `what`.
        FakeTopic* Open(const std::string& what) {
            dde_.log.push_back(what);
            FakeTopic* t = Find();
            if (!open_ || t != open_ || generation_ != dde_.generation)
                Raise(err::kDdeNoResponse, "no conversation");
            if (t->hang) Raise(err::kDdeTimeout, topic_);
            return t;
        }
        FakeTopic* Find() {
            const auto bar = topic_.find('|');
            if (bar == std::string::npos) return nullptr;
            auto app = dde_.programs.find(topic_.substr(0, bar));
            if (app == dde_.programs.end()) return nullptr;
            auto t = app->second.find(topic_.substr(bar + 1));
            return t == app->second.end() ? nullptr : &t->second;
        }
        FakeDde& dde_;
        std::string topic_, item_;
        FakeTopic* open_ = nullptr;
        int generation_ = 0;
    };

    std::unique_ptr<dde::Endpoint> NewEndpoint() override { return std::make_unique<End>(*this); }
    bool ServeTopic(std::string_view service, std::string_view topic,
                    dde::ExecuteHandler onExecute) override {
        served[std::string(service) + "|" + std::string(topic)] = std::move(onExecute);
        return true;
    }
    // Runs as one of our topics is withdrawn (the radio link closing).
    std::function<void()> onStopTopic;
    void StopTopic(std::string_view service, std::string_view topic) override {
        if (onStopTopic) onStopTopic();
        served.erase(std::string(service) + "|" + std::string(topic));
    }
};

}  // namespace bb::testing
