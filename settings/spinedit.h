// An edit with spin arrows whose rules live elsewhere: it accepts digits only, reports every
// edit the user types and every arrow step, and shows whatever text it is given. Unlike
// QSpinBox it never clamps, corrects or refuses partial or empty input by itself.
#pragma once

#include <QAbstractSpinBox>
#include <functional>

namespace pix {

class SpinEdit : public QAbstractSpinBox {
public:
    explicit SpinEdit(QWidget* parent = nullptr);

    // Called with the new text after each edit typed or pasted by the user.
    void setEditHandler(std::function<void(const QString&)> handler);
    // Called with +n or -n for arrow buttons, arrow keys, Page Up/Down and the wheel.
    void setStepHandler(std::function<void(int)> handler);

    // Shows the text, leaving the cursor alone when it is already shown.
    void showText(const QString& text);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    std::function<void(const QString&)> onEdit_;
    std::function<void(int)> onStep_;
};

} // namespace pix
