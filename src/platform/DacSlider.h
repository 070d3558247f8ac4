// The upright slider of the DAC control window: a knob on a vertical track over the
// fixed range 0 (bottom) to 4095 (top), one position per DAC code.
//
// Change is raised for the user's moves only: continuously while the knob is dragged (so
// the output follows the hand), on a click on the track (the knob jumps there), on each
// key step and on the mouse wheel. A click on the knob that does not move it raises
// nothing, and neither does a position set by the program.
//
// Assistive technology meets it as a slider whose value is the code; a value it sets
// counts as the user's move.
#pragma once

#include <QWidget>

class DacSlider : public QWidget {
    Q_OBJECT
public:
    static constexpr double kMin = 0.0;
    static constexpr double kMax = 4095.0;
    // Arrow keys step by kSmallStep, PageUp/PageDown by kLargeStep; Home and End go to the
    // ends. A wheel notch steps by the system's wheel scroll lines times kSmallStep, or by
    // kLargeStep with Ctrl or Shift held.
    static constexpr int kSmallStep = 1;
    static constexpr int kLargeStep = 256;

    explicit DacSlider(QWidget* parent = nullptr);

    double Position() const { return mPosition; }
    // Sets the position from the program (clamped to the range; NaN is ignored).
    // Raises no Change.
    void SetPosition(double position);

    // Where the knob stands, in the slider's own pixels (tests aim the mouse with it).
    QRect KnobRect() const;
    // Knob centre line for a position, and the whole position for a knob centre line.
    int PositionToY(double position) const;
    double YToPosition(double y) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user moved the slider; read Position() for the new value.
    void Change();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class DacSliderAccessible;

    void MoveByUser(double position);
    // Drag: the knob follows a new pointer height, keeping where it was grabbed.
    void FollowPointer(double y);
    // Moves the knob; true when the position changed.
    bool Place(double position);
    int KnobHeight() const;
    int KnobWidth() const;
    int TrackTop() const;
    int TrackBottom() const;

    double mPosition = kMin;
    bool mDragging = false;
    double mGrabOffset = 0.0; // pointer's distance from the knob centre when grabbed
    // Pointer height the knob last followed; a drag moves the knob only once the pointer
    // leaves it, so a click that does not move writes nothing.
    double mFollowedY = 0.0;
    double mWheelSteps = 0.0; // part of a wheel step not taken yet (high-resolution wheels)
};
