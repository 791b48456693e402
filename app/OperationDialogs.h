#pragma once

#include <optional>

#include "operations/Heights.h"
#include "operations/Merge.h"
#include "platform/Surface.h"

namespace pixelon::app {

// A rectangle chosen on a snapshot of the whole screen.
struct ScreenGrab {
    Surface snapshot;
    Rect rect;
};

// The dialogs of the portfolio operations. The window uses the Qt ones; tests answer from a
// script so they never wait on a modal dialog.
class OperationDialogs {
public:
    virtual ~OperationDialogs() = default;
    // "Enter Portfolio ID" with the proposal in five digits; the entered ID, or nothing.
    virtual std::optional<int> askPortfolioId(int proposal) = 0;
    // The Crop Height or Enlarge Height dialog on `model`; true on OK, with the values in it.
    virtual bool editHeights(HeightDialogModel& model) = 0;
    virtual bool editShift(ShiftDialogModel& model) = 0;
    // The "Merge" dialog; what OK yields, or nothing on Cancel.
    virtual std::optional<MergeChoice> merge(const CPortfolio& ours, const CPortfolio& theirs) = 0;
    // The full-screen grabber; nothing when cancelled or when the screen cannot be read (the
    // implementation has said why).
    virtual std::optional<ScreenGrab> grabScreen() = 0;
};

} // namespace pixelon::app
