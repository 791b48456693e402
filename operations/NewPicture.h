#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pixelon {

class CPicture;
class CPortfolio;

// "Add New Portfolio ID and Picture Size" without its window.
class NewPictureModel {
public:
    static constexpr int MaxWidth = 1300;
    static constexpr int MaxHeight = 1360;

    // `caret` is the index of the caret line, or -1 when no line is selected.
    NewPictureModel(const CPortfolio& portfolio, int caret);

    std::string idText() const { return m_id; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    void setIdText(std::string_view id) { m_id = std::string(id); }
    void setWidth(int w) { m_width = w; }
    void setHeight(int h) { m_height = h; }

    // The message that refuses the entries, or nothing when OK may close the dialog.
    std::optional<std::string> validate() const;
    // A white picture of the entered ID and size in grey-index form (every value 3, depth 1).
    // The picture has the entered size (up to 1300 x 1360, the dialog's limits), which the
    // portfolio file holds and reads back.
    std::unique_ptr<CPicture> create() const;

private:
    std::string m_id;
    int m_width = 101;
    int m_height = 80;
};

} // namespace pixelon
