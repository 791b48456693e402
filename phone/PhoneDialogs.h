#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/AppSettings.h"
#include "phone/PhoneDetect.h"
#include "phone/PortTable.h"

namespace pixelon {

// The communications log window's logic: its text, Clear, and its placement in the settings.
class CCommsLogPanel {
public:
    CCommsLogPanel(CCommsLog& log, CAppSettings& settings) : m_log(log), m_settings(settings) {}

    const std::string& text() const { return m_log.text(); }
    void clear() { m_log.Clear(); }
    // The stored rectangle (left, top, width, height); width or height 0 means "not stored".
    Rect placement() const;
    void storePlacement(int left, int top, int width, int height);

    // The Help menu command toggles the window; closing it clears the check mark.
    bool shown() const { return m_shown; }
    void setShown(bool shown) { m_shown = shown; }

private:
    CCommsLog& m_log;
    CAppSettings& m_settings;
    bool m_shown = false;
};

inline constexpr std::string_view NoPhonesTitle = "No phones found";
inline constexpr std::string_view NoPhonesText =
    "Can't find any phones\n\nCheck your connections and make sure no other\napplications are "
    "trying to access your phone";

// "Search for Phone and type; set default COM Port#": surveys COM1..COM8 and proposes the
// default port. The device path of every port can be edited and saved.
class CSearchPhoneModel {
public:
    static constexpr int RadioPorts = 4;

    CSearchPhoneModel(PhoneLink& link, CAppSettings& settings, CPortTable table);

    CSearchPhoneModel(const CSearchPhoneModel&) = delete;
    CSearchPhoneModel& operator=(const CSearchPhoneModel&) = delete;
    ~CSearchPhoneModel();

    // Surveys the eight ports in order; `onPort` runs before each port and after the last
    // so that the window can show the status text.
    void survey(const std::function<void()>& onPort = {});
    // The same survey a port at a time, so a window can show itself and stay drawn between
    // ports: begin, then step until it returns false. A survey begun again starts over.
    void beginSurvey();
    bool surveyNextPort();
    bool surveying() const { return m_checking > 0; }
    // Stops a survey midway; the ports not yet tried keep no line.
    void cancelSurvey();
    // "COM%d: %s\n" for every surveyed port, "Checking..." for the one being tried.
    std::string statusText() const;
    bool foundAny() const;

    int selection() const { return m_selection; } // 0-based port index
    void select(int index);
    // Stores the selection as the ComPort setting.
    void accept();

    const CPortTable& table() const { return m_table; }
    void setDevicePath(int port, std::string path);
    bool saveTable(Registry& registry) const { return m_table.save(registry); }

private:
    void endSurvey();

    PhoneLink& m_link;
    CAppSettings& m_settings;
    CPortTable m_table;
    PortPathFunction m_channelPaths; // the channel's own ports, given back after a survey
    PortStatuses m_statuses{};
    std::vector<std::string> m_descriptions;
    int m_checking = 0; // 1-based port being surveyed, 0 when none
    int m_selection = 0;
};

// One radio choice among labelled values (phone format type, application type).
class CRadioChoice {
public:
    CRadioChoice(std::vector<std::string> labels, int value)
        : m_labels(std::move(labels)), m_value(value) {}
    const std::vector<std::string>& labels() const { return m_labels; }
    // The selected index, or -1 when the current value has no button (types 12..14).
    int selection() const { return m_value >= 0 && m_value < int(m_labels.size()) ? m_value : -1; }
    void select(int index) {
        if (index >= 0 && index < int(m_labels.size()))
            m_value = index;
    }
    int value() const { return m_value; }

private:
    std::vector<std::string> m_labels;
    int m_value;
};

inline constexpr std::string_view PhoneTypeDialogTitle = "Choose Phone Format Type";
inline constexpr std::string_view ApplicationDialogTitle = "Select Option";
inline constexpr std::string_view ApplicationDialogNote =
    "This is the type of Picture that will be Sent or Received.\nNot all phones will support "
    "the same applications.";

CRadioChoice phoneTypeChoice(int phoneType);
CRadioChoice applicationChoice(int applicationType);

} // namespace pixelon
