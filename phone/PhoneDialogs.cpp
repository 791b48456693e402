#include "phone/PhoneDialogs.h"

namespace pixelon {

Rect CCommsLogPanel::placement() const {
    return {m_settings.m_nDefaultCommsLogX, m_settings.m_nDefaultCommsLogY,
            m_settings.m_nDefaultCommsLogX + m_settings.m_nDefaultCommsLogW,
            m_settings.m_nDefaultCommsLogY + m_settings.m_nDefaultCommsLogH};
}

void CCommsLogPanel::storePlacement(int left, int top, int width, int height) {
    m_settings.m_nDefaultCommsLogX = std::max(left, 0);
    m_settings.m_nDefaultCommsLogY = std::max(top, 0);
    m_settings.m_nDefaultCommsLogW = std::max(width, 0);
    m_settings.m_nDefaultCommsLogH = std::max(height, 0);
}

CSearchPhoneModel::CSearchPhoneModel(PhoneLink& link, CAppSettings& settings, CPortTable table)
    : m_link(link), m_settings(settings), m_table(std::move(table)) {
    m_statuses.fill(PortStatus::NoResponse);
    int port = settings.m_nComPort;
    m_selection = port >= 1 && port <= RadioPorts ? port - 1 : 0;
}

CSearchPhoneModel::~CSearchPhoneModel() {
    cancelSurvey();
}

void CSearchPhoneModel::cancelSurvey() {
    // The channel gets its own ports back whenever a survey ends.
    if (!surveying())
        return;
    m_checking = 0;
    m_link.channel.setPortPaths(m_channelPaths);
}

void CSearchPhoneModel::survey(const std::function<void()>& onPort) {
    beginSurvey();
    if (onPort)
        onPort();
    for (bool more = true; more;) {
        more = surveyNextPort();
        if (onPort)
            onPort();
    }
}

void CSearchPhoneModel::beginSurvey() {
    // The survey tries the table as edited; the channel keeps its own table afterwards.
    if (!surveying())
        m_channelPaths = m_link.channel.portPaths();
    m_descriptions.clear();
    m_link.channel.setPortPaths([table = m_table](int port) { return table.path(port); });
    m_checking = 1;
}

bool CSearchPhoneModel::surveyNextPort() {
    if (!surveying())
        return false;
    const int port = m_checking;
    SurveyPort(m_link, m_statuses, port);
    m_descriptions.push_back(
        DescribePortStatus(m_link, port - 1, m_statuses[std::size_t(port - 1)]));
    if (port < SearchPortCount) {
        m_checking = port + 1;
        return true;
    }
    endSurvey();
    return false;
}

void CSearchPhoneModel::endSurvey() {
    m_checking = 0;
    m_link.channel.setPortPaths(m_channelPaths);
    if (!(m_statuses[std::size_t(m_selection)] & PortStatus::Found))
        for (int i = 0; i < SearchPortCount; ++i)
            if (m_statuses[std::size_t(i)] & PortStatus::Found) {
                m_selection = i;
                break;
            }
}

std::string CSearchPhoneModel::statusText() const {
    std::string text;
    for (std::size_t i = 0; i < m_descriptions.size(); ++i)
        text += formatText("COM%d: %s\n", int(i + 1), m_descriptions[i].c_str());
    if (m_checking > 0)
        text += formatText("COM%d: %s\n", m_checking, "Checking...");
    return text;
}

bool CSearchPhoneModel::foundAny() const {
    for (int s : m_statuses)
        if (s & PortStatus::Found)
            return true;
    return false;
}

void CSearchPhoneModel::select(int index) {
    if (index >= 0 && index < SearchPortCount)
        m_selection = index;
}

void CSearchPhoneModel::accept() {
    m_settings.m_nComPort = m_selection + 1;
}

void CSearchPhoneModel::setDevicePath(int port, std::string path) {
    m_table.setPath(port, std::move(path));
}

CRadioChoice phoneTypeChoice(int phoneType) {
    std::vector<std::string> labels;
    for (const auto& info : phoneFormatTypes())
        labels.emplace_back(info.models);
    return CRadioChoice(std::move(labels), phoneType);
}

CRadioChoice applicationChoice(int applicationType) {
    std::vector<std::string> labels;
    for (int a = 0; a < ApplicationTypeCount; ++a)
        labels.emplace_back(applicationChoiceLabel(ApplicationType(a)));
    return CRadioChoice(std::move(labels), applicationType);
}

} // namespace pixelon
