#include "platform/StripChart.h"

#include "platform/NumberText.h"
#include "platform/Runtime.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace {
constexpr double kSecondsPerDay = 86400.0;
constexpr int kArrowStrip = 14;   // left strip holding the value arrows
constexpr int kArrowHalf = 5;     // half size of an arrow head
constexpr int kArrowGrab = 9;     // how near a press must be to grab an arrow
// The range's ends lie this far inside the frame, so that a line at either end (a DAC at
// 0 V) is drawn whole above the bottom frame line or below the top one.
constexpr int kInsetTop = 2;
constexpr int kInsetBottom = 3;
const QColor kPlotBackground(255, 255, 255);
const QColor kGridColor(218, 218, 218);
const QColor kFrameColor(96, 96, 96);
const QColor kLabelColor(32, 32, 32);
const QColor kArrowColor(88, 88, 88);

// A "nice" step (1, 2 or 5 times a power of ten) no smaller than raw.
double NiceStep(double raw)
{
    if (!(raw > 0))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw * (1 - 1e-9))
            return m * power;
    }
    return 10 * power;
}

// Width of the value-axis labels of a range on a plot of a height: the labels at the grid
// values the chart draws, and never less than a short reading such as "-888.88", so that
// a wide label (a range of volts from a large reference) shows whole.
int ValueLabelWidth(const QFontMetrics& fm, double low, double high, int plotHeight)
{
    int widest = fm.horizontalAdvance(QStringLiteral("-888.88"));
    const double step = NiceStep((high - low) / std::max(2, plotHeight / 36));
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    // No label has more digits than "-888.88" (nor more than its sign and point): no need
    // to measure them.
    const double reach = std::max(std::abs(low), std::abs(high)) + step;
    const int whole = reach < 10 ? 1 : static_cast<int>(std::floor(std::log10(reach))) + 1;
    if (whole + decimals <= 5)
        return widest;
    for (double k = std::ceil(low / step - 1e-9); k * step <= high + step * 1e-9; k += 1)
        widest = std::max(widest, fm.horizontalAdvance(PlainDouble(RoundDecimals(k * step, decimals))));
    return widest;
}

// std::floor, without a call into the maths library.
long Floor(double x)
{
    const long i = static_cast<long>(x);
    return x < static_cast<double>(i) ? i - 1 : i;
}

QFont TitleFont(const QFont& base)
{
    QFont f = base;
    f.setBold(true);
    if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() + 1);
    return f;
}
} // namespace

// ---- PenHistory -----------------------------------------------------------------------

PenHistory::PenHistory(int capacity)
    : mTime(static_cast<size_t>(std::max(capacity, 1))), mValue(mTime.size()), mLowest(mTime.size()),
      mHighest(mTime.size())
{
}

void PenHistory::Append(double time, double value)
{
    int slot = 0;
    if (mCount < Capacity()) {
        slot = Slot(mCount);
        ++mCount;
    } else {
        // Full: the oldest slot takes the new sample and the next one becomes the oldest.
        slot = mHead;
        mLowest.Leave(slot);
        mHighest.Leave(slot);
        mHead = mHead + 1 == Capacity() ? 0 : mHead + 1;
    }
    mTime[slot] = time;
    mValue[slot] = value;
    if (std::isfinite(value)) {
        mLowest.Push(slot, mValue, false);
        mHighest.Push(slot, mValue, true);
    }
}

void PenHistory::Clear()
{
    mHead = 0;
    mCount = 0;
    mLowest.Clear();
    mHighest.Clear();
}

double PenHistory::Extreme::Front(const std::vector<double>& values) const
{
    return count > 0 ? values[static_cast<size_t>(queue[static_cast<size_t>(head)])]
                     : std::numeric_limits<double>::quiet_NaN();
}

void PenHistory::Extreme::Push(int slot, const std::vector<double>& values, bool higher)
{
    const int size = static_cast<int>(queue.size());
    const double value = values[static_cast<size_t>(slot)];
    // Samples that the new one equals or passes can never be the extreme again: it outlives
    // them.
    while (count > 0) {
        const int back = head + count - 1 < size ? head + count - 1 : head + count - 1 - size;
        const double v = values[static_cast<size_t>(queue[static_cast<size_t>(back)])];
        if (higher ? v > value : v < value)
            break;
        --count;
    }
    const int end = head + count < size ? head + count : head + count - size;
    queue[static_cast<size_t>(end)] = slot;
    ++count;
}

void PenHistory::Extreme::Leave(int slot)
{
    if (count > 0 && queue[static_cast<size_t>(head)] == slot) {
        head = head + 1 == static_cast<int>(queue.size()) ? 0 : head + 1;
        --count;
    }
}

int PenHistory::FirstAtOrAfter(double time) const
{
    int lo = 0;
    int hi = mCount;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (TimeAt(mid) < time)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// ---- StripChart -----------------------------------------------------------------------

StripChart::StripChart(int penCount, QWidget* parent) : QWidget(parent)
{
    mPens.reserve(static_cast<size_t>(std::max(penCount, 0)));
    for (int i = 0; i < penCount; ++i)
        mPens.emplace_back(kHistoryCapacity);
    mTexts.resize(static_cast<size_t>(std::max(penCount, 0)) + 1);
    mNow = Timer();
    setMouseTracking(true);
    setToolTip(QStringLiteral("Drag the arrows at the edges of this graph to zoom in and out"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StripChart::SetPenColor(int pen, const QColor& color)
{
    if (pen < 0 || pen >= PenCount())
        return;
    mPens[pen].color = color;
    if (!mPens[pen].legendColorSet)
        mPens[pen].legendColor = color;
    Changed();
}

void StripChart::SetLegendColor(int pen, const QColor& color)
{
    if (pen < 0 || pen >= PenCount())
        return;
    mPens[pen].legendColor = color;
    mPens[pen].legendColorSet = true;
    Changed();
}

QColor StripChart::PenColor(int pen) const
{
    return pen >= 0 && pen < PenCount() ? mPens[pen].color : QColor();
}

QColor StripChart::LegendColor(int pen) const
{
    return pen >= 0 && pen < PenCount() ? mPens[pen].legendColor : QColor();
}

void StripChart::SetZoomLimits(double low, double high)
{
    if (!(high > low))
        return;
    mLimitLow = low;
    mLimitHigh = high;
    // The range on view is kept where it overlaps the new limits; where it does not, the
    // default range (or else the whole of the limits) takes its place.
    const bool overlaps = std::max(mLow, low) < std::min(mHigh, high);
    if (overlaps)
        SetValueRange(mLow, mHigh);
    else if (std::max(mDefaultLow, low) < std::min(mDefaultHigh, high))
        SetValueRange(mDefaultLow, mDefaultHigh);
    else
        SetValueRange(low, high);
}

void StripChart::SetDefaultValueRange(double low, double high)
{
    if (!(high > low))
        return;
    mDefaultLow = low;
    mDefaultHigh = high;
    SetValueRange(low, high);
}

void StripChart::SetValueRange(double low, double high)
{
    low = std::max(low, mLimitLow);
    high = std::min(high, mLimitHigh);
    if (!(high > low))
        return;
    mLow = low;
    mHigh = high;
    Changed(true);
}

void StripChart::SetTimeSpan(double seconds)
{
    if (std::isnan(seconds))
        return;
    mSpan = std::clamp(seconds, kMinTimeSpan, kMaxTimeSpan);
    Changed();
}

QString StripChart::TimeLabel(double time) const
{
    double t = std::fmod(time, kSecondsPerDay);
    if (t < 0)
        t += kSecondsPerDay;
    const int whole = static_cast<int>(std::floor(t + 1e-6)) % static_cast<int>(kSecondsPerDay);
    auto two = [](int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    QString out;
    for (int i = 0; i < mTimeFormat.size(); ++i) {
        const QChar c = mTimeFormat[i];
        if (c == QLatin1Char('%') && i + 1 < mTimeFormat.size()) {
            const QChar k = mTimeFormat[i + 1];
            if (k == QLatin1Char('H')) { out += two(whole / 3600); ++i; continue; }
            if (k == QLatin1Char('M')) { out += two(whole / 60 % 60); ++i; continue; }
            if (k == QLatin1Char('S')) { out += two(whole % 60); ++i; continue; }
            if (k == QLatin1Char('%')) { out += c; ++i; continue; }
        }
        out += c;
    }
    return out;
}

double StripChart::SampleTime()
{
    double t = Timer() + mDayOffset;
    // The clock restarts from 0 at midnight: keep counting from the day before.
    if (t < mNow - kSecondsPerDay / 2) {
        mDayOffset += kSecondsPerDay;
        t += kSecondsPerDay;
    }
    // Never step back in time (clock resolution, a clock set back a little).
    return std::max(t, mNow);
}

void StripChart::AppendSample(int16_t pen, double value)
{
    if (pen < 0 || pen >= PenCount())
        return;
    const double t = SampleTime();
    mNow = t;
    mPens[pen].history.Append(t, value);
    SamplesChanged();
}

double StripChart::HeldLow() const
{
    double low = std::numeric_limits<double>::quiet_NaN();
    for (const Pen& pen : mPens)
        low = std::fmin(low, pen.history.Lowest()); // fmin passes over NaN
    return low;
}

double StripChart::HeldHigh() const
{
    double high = std::numeric_limits<double>::quiet_NaN();
    for (const Pen& pen : mPens)
        high = std::fmax(high, pen.history.Highest());
    return high;
}

void StripChart::SetSelectedText(int16_t item) { mSelectedText = item; }

void StripChart::SetCaption(const QString& text)
{
    if (mSelectedText < 0 || mSelectedText >= TextCount())
        return;
    QString& slot = mTexts[static_cast<size_t>(mSelectedText)];
    if (slot == text)
        return;
    slot = text;
    // Assistive technology knows the chart by its title.
    if (mSelectedText == 0)
        setAccessibleName(text);
    if (mSelectedText == 0)
        Changed(true);
    else
        SamplesChanged(); // a legend: the lines stand as they are
}

QString StripChart::Caption() const { return Text(mSelectedText); }

QString StripChart::Text(int item) const
{
    return item >= 0 && item < TextCount() ? mTexts[static_cast<size_t>(item)] : QString();
}

void StripChart::SetSelectedPen(int16_t pen) { mSelectedPen = pen; }

void StripChart::SetPenVisible(bool visible)
{
    if (mSelectedPen < 0 || mSelectedPen >= PenCount())
        return;
    Pen& p = mPens[static_cast<size_t>(mSelectedPen)];
    if (p.visible == visible)
        return;
    p.visible = visible;
    Changed();
}

bool StripChart::PenVisible(int pen) const
{
    return pen >= 0 && pen < PenCount() && mPens[static_cast<size_t>(pen)].visible;
}

void StripChart::Changed(bool backdrop)
{
    mPensValid = false;
    SamplesChanged();
    if (backdrop)
        mBackdropValid = false;
}

void StripChart::SamplesChanged()
{
    mImageValid = false;
    // A chart out of sight is not painted; it is drawn again when it is shown.
    if (isVisible())
        update();
}

// ---- Geometry ---------------------------------------------------------------------------

QRect StripChart::PlotRect() const
{
    const QFontMetrics fm(font());
    const QFontMetrics tfm(TitleFont(font()));
    const int top = 6 + tfm.height() + 6;
    const int bottom = std::max(height() - (4 + fm.height() + 4 + 2 * kArrowHalf + 6), top + 10);
    // The labels stand right-aligned between the arrow strip and the plot, a little clear
    // of both.
    const int left = kArrowStrip + 2 + ValueLabelWidth(fm, mLow, mHigh, bottom - top + 1) + 6;
    const int right = width() - 14;
    return QRect(QPoint(left, top), QPoint(std::max(right, left + 10), bottom));
}

double StripChart::TopY(const QRect& plot) { return plot.top() + kInsetTop; }

double StripChart::BottomY(const QRect& plot) { return plot.bottom() - kInsetBottom; }

double StripChart::ValueToY(double value) const
{
    const QRect plot = PlotRect();
    return BottomY(plot) - (value - mLow) / (mHigh - mLow) * (BottomY(plot) - TopY(plot));
}

QPoint StripChart::ArrowCentre(Arrow arrow) const
{
    const QRect plot = PlotRect();
    switch (arrow) {
    case Arrow::ValueTop: return QPoint(kArrowStrip / 2, static_cast<int>(TopY(plot)));
    case Arrow::ValueBottom: return QPoint(kArrowStrip / 2, static_cast<int>(BottomY(plot)));
    case Arrow::TimeSpan: return QPoint(plot.left(), height() - 6 - kArrowHalf);
    case Arrow::None: break;
    }
    return QPoint();
}

StripChart::Arrow StripChart::ArrowAt(const QPoint& pos) const
{
    for (Arrow a : {Arrow::ValueTop, Arrow::ValueBottom, Arrow::TimeSpan}) {
        const QPoint d = pos - ArrowCentre(a);
        if (std::abs(d.x()) <= kArrowGrab && std::abs(d.y()) <= kArrowGrab)
            return a;
    }
    return Arrow::None;
}

// ---- Zoom -------------------------------------------------------------------------------

void StripChart::BeginDrag(Arrow arrow, const QPoint& pos)
{
    mDrag = arrow;
    mDragStart = pos;
    mDragLow = mLow;
    mDragHigh = mHigh;
    mDragSpan = mSpan;
}

void StripChart::DragTo(const QPoint& pos)
{
    if (mDrag == Arrow::None)
        return;
    const QRect plot = PlotRect();
    const double minSpan = (mLimitHigh - mLimitLow) / 100.0;
    const double top = TopY(plot);
    const double bottom = BottomY(plot);
    // The value under a height in the plot as the axis stood when the drag began.
    auto valueAt = [&](double y) {
        return mDragLow + (bottom - y) / std::max(bottom - top, 1.0) * (mDragHigh - mDragLow);
    };
    // How much of the way from the press point to an edge of the widget a drag out of the
    // plot has gone (0 to 1). The mouse stays with the chart beyond its edges, where the
    // whole way is done.
    auto outward = [](int moved, int room) { return std::min(1.0, moved / static_cast<double>(std::max(room, 1))); };
    const int dx = pos.x() - mDragStart.x();
    const int dy = pos.y() - mDragStart.y();
    switch (mDrag) {
    case Arrow::ValueTop: {
        const double high = dy < 0 ? mDragHigh + (mLimitHigh - mDragHigh) * outward(-dy, mDragStart.y())
                                   : valueAt(top + dy);
        SetValueRange(mLow, std::clamp(high, mLow + minSpan, mLimitHigh));
        break;
    }
    case Arrow::ValueBottom: {
        const double low = dy > 0 ? mDragLow - (mDragLow - mLimitLow) * outward(dy, height() - 1 - mDragStart.y())
                                  : valueAt(bottom + dy);
        SetValueRange(std::clamp(low, mLimitLow, mHigh - minSpan), mHigh);
        break;
    }
    case Arrow::TimeSpan: {
        if (dx < 0) {
            // To the left: up to the longest span at the widget's left edge.
            const double start = std::max(mDragSpan, kMinTimeSpan);
            SetTimeSpan(start * std::pow(kMaxTimeSpan / start, outward(-dx, mDragStart.x())));
        } else {
            // To the right: a quarter of the plot's width halves the span.
            const double quarter = std::max(plot.width() / 4.0, 1.0);
            SetTimeSpan(mDragSpan * std::pow(2.0, -dx / quarter));
        }
        break;
    }
    case Arrow::None: break;
    }
}

void StripChart::EndDrag() { mDrag = Arrow::None; }

void StripChart::ResetZoom(Arrow arrow)
{
    switch (arrow) {
    case Arrow::ValueTop:
    case Arrow::ValueBottom: SetValueRange(mDefaultLow, mDefaultHigh); break;
    case Arrow::TimeSpan: SetTimeSpan(kDefaultTimeSpan); break;
    case Arrow::None: break;
    }
}

void StripChart::mousePressEvent(QMouseEvent* event)
{
    const Arrow a = event->button() == Qt::LeftButton ? ArrowAt(event->position().toPoint()) : Arrow::None;
    if (a == Arrow::None) {
        QWidget::mousePressEvent(event);
        return;
    }
    BeginDrag(a, event->position().toPoint());
    event->accept();
}

void StripChart::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (mDrag != Arrow::None) {
        DragTo(pos);
        return;
    }
    switch (ArrowAt(pos)) {
    case Arrow::ValueTop:
    case Arrow::ValueBottom: setCursor(Qt::SizeVerCursor); break;
    case Arrow::TimeSpan: setCursor(Qt::SizeHorCursor); break;
    case Arrow::None: unsetCursor(); break;
    }
}

void StripChart::mouseReleaseEvent(QMouseEvent* event)
{
    if (mDrag != Arrow::None && event->button() == Qt::LeftButton) {
        DragTo(event->position().toPoint());
        EndDrag();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void StripChart::mouseDoubleClickEvent(QMouseEvent* event)
{
    const Arrow a = event->button() == Qt::LeftButton ? ArrowAt(event->position().toPoint()) : Arrow::None;
    if (a == Arrow::None) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    EndDrag();
    ResetZoom(a);
    event->accept();
}

// ---- Painting ---------------------------------------------------------------------------

void StripChart::paintEvent(QPaintEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    auto fits = [&](const QPixmap& image) { return image.size() == pixels && image.devicePixelRatio() == ratio; };
    if (!mImageValid || !fits(mImage)) {
        const QRect plot = PlotRect();
        if (!mBackdropValid || !fits(mBackdrop)) {
            mBackdrop = QPixmap(pixels);
            mBackdrop.setDevicePixelRatio(ratio);
            QPainter bp(&mBackdrop);
            bp.setFont(font());
            PaintBackdrop(bp, plot);
            mBackdropValid = true;
        }
        if (!fits(mImage)) {
            mImage = QPixmap(pixels);
            mImage.setDevicePixelRatio(ratio);
        }
        const double tLeft = mNow - mSpan;
        UpdatePens(plot, tLeft);
        QPainter ip(&mImage);
        ip.drawPixmap(0, 0, mBackdrop);
        ip.setFont(font());
        PaintTimeAxis(ip, plot, tLeft);
        ip.drawImage(plot.adjusted(1, 1, -1, -1).topLeft(), mPensImage);
        PaintLegends(ip, plot);
        mImageValid = true;
    }
    // Each rectangle of the paint's region is copied on its own, so that every copy has a
    // plain rectangle for its clip.
    QPainter p(this);
    for (const QRect& r : event->region()) {
        p.setClipRect(r);
        p.drawPixmap(r, mImage, QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
    }
}

void StripChart::resizeEvent(QResizeEvent* event)
{
    Changed(true);
    QWidget::resizeEvent(event);
}

void StripChart::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        Changed(true);
        mLabelWidths.clear();
        break;
    default: break;
    }
    QWidget::changeEvent(event);
}

void StripChart::hideEvent(QHideEvent* event)
{
    // A chart out of sight keeps no images; it is drawn afresh when it shows again.
    mImage = QPixmap();
    mBackdrop = QPixmap();
    mPensImage = QImage();
    mPensScratch = QImage();
    Changed(true);
    QWidget::hideEvent(event);
}

void StripChart::PaintBackdrop(QPainter& p, const QRect& plot) const
{
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.fillRect(plot, kPlotBackground);
    PaintValueAxis(p, plot);
    p.setPen(kFrameColor);
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
    PaintTitle(p);
    PaintArrows(p);
}

void StripChart::UpdatePens(const QRect& plot, double tLeft)
{
    const QRect inside = plot.adjusted(1, 1, -1, -1);
    const double pps = plot.width() / mSpan;
    const long origin = Floor(tLeft * pps);
    // Moving the layer by whole columns keeps its pixels exact only where a column is one
    // of the image's pixels; elsewhere the lines are drawn whole every time.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(inside.size()) * ratio).toSize();
    const bool fits = mPensImage.size() == pixels && mPensImage.devicePixelRatio() == ratio;
    long from = 0;
    if (mPensValid && ratio == 1.0 && fits && mPensDrawnTo.size() == mPens.size()) {
        // Drawn again from the column of the oldest of the pens' last samples that stood
        // clear of the plot's right edge: that column may have gained samples, and the lines
        // beyond it were cut short by the edge. A line spills a little into the columns
        // beside its own.
        double drawnTo = mNow;
        for (size_t k = 0; k < mPens.size(); ++k)
            if (mPens[k].visible)
                drawnTo = std::min(drawnTo, mPensDrawnTo[k]);
        from = drawnTo * pps < static_cast<double>(origin) ? 0 : Floor(drawnTo * pps) - origin - 2;
        const long shift = origin - mPensOrigin;
        if (shift < 0 || shift >= inside.width())
            from = 0;
        else if (shift > 0) {
            const size_t bytes = 4; // one pixel of the image's format
            const long keep = inside.width() - shift;
            for (int y = 0; y < mPensImage.height(); ++y) {
                uchar* row = mPensImage.scanLine(y);
                std::memmove(row, row + shift * bytes, static_cast<size_t>(keep) * bytes);
            }
            // The columns that came free on the right are drawn anew.
            from = std::min(from, keep);
        }
        from = std::max(from, 0L);
    } else if (!fits) {
        mPensImage = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        mPensImage.setDevicePixelRatio(ratio);
    }
    if (from == 0) {
        mPensImage.fill(Qt::transparent);
        QPainter pp(&mPensImage);
        pp.translate(-inside.left(), -inside.top());
        PaintPens(pp, plot, tLeft, 0);
    } else if (from < inside.width()) {
        // The newest columns are drawn on a scratch image and copied over. A line cut short
        // at the edge of a clip is not drawn pixel for pixel as the whole line, so the lines
        // that reach into those columns are drawn whole there.
        if (mPensScratch.size() != mPensImage.size())
            mPensScratch = QImage(mPensImage.size(), mPensImage.format());
        const size_t offset = static_cast<size_t>(from) * 4;
        const size_t bytes = static_cast<size_t>(inside.width() - from) * 4;
        for (int y = 0; y < mPensScratch.height(); ++y)
            std::memset(mPensScratch.scanLine(y) + offset, 0, bytes);
        {
            QPainter sp(&mPensScratch);
            sp.translate(-inside.left(), -inside.top());
            PaintPens(sp, plot, tLeft, from);
        }
        for (int y = 0; y < mPensImage.height(); ++y)
            std::memcpy(mPensImage.scanLine(y) + offset, mPensScratch.constScanLine(y) + offset, bytes);
    }
    mPensOrigin = origin;
    mPensDrawnTo.resize(mPens.size());
    const double edge = static_cast<double>(origin + inside.width() - 4) / pps;
    for (size_t k = 0; k < mPens.size(); ++k) {
        const PenHistory& h = mPens[k].history;
        const int last = h.FirstAtOrAfter(edge) - 1;
        mPensDrawnTo[k] = h.Count() == 0 ? mNow : last >= 0 ? h.TimeAt(last) : -1e300;
    }
    mPensValid = true;
}

void StripChart::PaintValueAxis(QPainter& p, const QRect& plot) const
{
    const QFontMetrics fm(font());
    p.setFont(font());

    // Value axis: grid lines and labels at round values, about 36 pixels apart at least.
    const double range = mHigh - mLow;
    const double step = NiceStep(range / std::max(2, plot.height() / 36));
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    const double ppv = (BottomY(plot) - TopY(plot)) / range;
    for (double k = std::ceil(mLow / step - 1e-9); k * step <= mHigh + step * 1e-9; k += 1) {
        const double v = k * step;
        const int y = static_cast<int>(std::lround(BottomY(plot) - (v - mLow) * ppv));
        p.setPen(kGridColor);
        p.drawLine(plot.left() + 1, y, plot.right() - 1, y);
        p.setPen(kFrameColor);
        p.drawLine(plot.left() - 4, y, plot.left(), y);
        const QString label = PlainDouble(RoundDecimals(v, decimals));
        p.setPen(kLabelColor);
        const QRect box(kArrowStrip, y - fm.height() / 2, plot.left() - 6 - kArrowStrip, fm.height());
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, label);
    }
}

int StripChart::LabelWidth(const QFontMetrics& fm, const QString& label) const
{
    // The same few labels come back paint after paint; measuring text is not cheap.
    if (mLabelWidths.size() > 64)
        mLabelWidths.clear();
    auto it = mLabelWidths.find(label);
    if (it == mLabelWidths.end())
        it = mLabelWidths.insert(label, fm.horizontalAdvance(label));
    return *it;
}

void StripChart::PaintTimeAxis(QPainter& p, const QRect& plot, double tLeft) const
{
    const QFontMetrics fm(font());
    p.setFont(font());

    // Time axis: ticks at round times, labels far enough apart not to touch.
    static constexpr std::array<double, 14> kTimeSteps = {1, 2, 5, 10, 15, 30, 60, 120, 300,
                                                          600, 900, 1800, 3600, 7200};
    const double pps = plot.width() / mSpan;
    const int labelWidth = LabelWidth(fm, TimeLabel(0)) + 18;
    double tstep = kTimeSteps.back();
    for (double s : kTimeSteps) {
        if (s * pps >= labelWidth) {
            tstep = s;
            break;
        }
    }
    const int labelTop = plot.bottom() + 5;
    for (double k = std::ceil(tLeft / tstep - 1e-9); k * tstep <= mNow + 1e-6; k += 1) {
        const double t = k * tstep;
        const int x = static_cast<int>(std::lround(plot.left() + (t - tLeft) * pps));
        if (x <= plot.left() || x >= plot.right())
            continue;
        p.setPen(kGridColor);
        p.drawLine(x, plot.top() + 1, x, plot.bottom() - 1);
        p.setPen(kFrameColor);
        p.drawLine(x, plot.bottom(), x, plot.bottom() + 3);
        const QString label = TimeLabel(t);
        const int w = LabelWidth(fm, label);
        const int lx = std::clamp(x - w / 2, 0, width() - w);
        p.setPen(kLabelColor);
        p.drawText(QRect(lx, labelTop, w, fm.height()), Qt::AlignCenter, label);
    }
}

void StripChart::PaintPens(QPainter& p, const QRect& plot, double tLeft, long from) const
{
    const double range = mHigh - mLow;
    const double ppv = (BottomY(plot) - TopY(plot)) / range;
    const double pps = plot.width() / mSpan;
    const double bottom = BottomY(plot);
    // Far outside values are held a little beyond the plot; the clip hides them.
    const double yMin = plot.top() - 100.0;
    const double yMax = plot.bottom() + 100.0;
    auto yOf = [&](double v) { return std::clamp(bottom - (v - mLow) * ppv, yMin, yMax); };

    // Columns are counted from time zero, so that a sample stays in its column while the
    // plot moves on: the plot's left edge is column origin.
    const long origin = Floor(tLeft * pps);
    // The column left of the first one drawn spills into it, so it is drawn whole too, and
    // the sample just before it starts the line.
    const double tFrom = static_cast<double>(origin + from - 2) / pps;

    p.save();
    p.setClipRect(plot.adjusted(1, 1, -1, -1), Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, true);
    std::vector<QPointF> points;
    std::vector<size_t> breaks; // where each run of joined samples starts in points
    points.reserve(static_cast<size_t>(plot.width()) * 4 + 16);
    for (const Pen& pen : mPens) {
        const PenHistory& h = pen.history;
        if (!pen.visible || h.Count() == 0)
            continue;
        points.clear();
        breaks.clear();
        // One sample before the left edge keeps the line running into the plot.
        // Drawing only the newest columns, the line starts a sample earlier still: a line's
        // first stretch is drawn a little unlike the same stretch further on in a line.
        int i = std::max(h.FirstAtOrAfter(std::max(tLeft, tFrom)) - (from > 0 ? 2 : 1), 0);
        bool open = false;
        long column = 0;
        double columnEnd = 0;
        double first = 0, low = 0, high = 0, last = 0;
        double lastTime = 0;
        auto flush = [&] {
            if (!open)
                return;
            const double x = plot.left() + column + 0.5;
            // The vertical stroke through the column covers its whole spread: from the first
            // sample to the nearer end of the spread, to the farther end, to the last, each
            // stretch drawn once.
            const bool upFirst = high - first <= first - low;
            const double nearEnd = upFirst ? high : low;
            const double farEnd = upFirst ? low : high;
            points.emplace_back(x, yOf(first));
            if (nearEnd != first)
                points.emplace_back(x, yOf(nearEnd));
            if (farEnd != nearEnd)
                points.emplace_back(x, yOf(farEnd));
            if (last != farEnd)
                points.emplace_back(x, yOf(last));
            open = false;
        };
        for (const int n = h.Count(); i < n; ++i) {
            const double v = h.ValueAt(i);
            if (!std::isfinite(v))
                continue;
            const double t = h.TimeAt(i);
            if (breaks.empty() || t - lastTime > kGapTime) {
                // No samples for a while: the line stops here and starts again.
                flush();
                breaks.push_back(points.size());
            }
            lastTime = t;
            // Times never decrease, so a sample short of the column's right edge is in
            // the open column; only a sample past it needs its column worked out.
            const double q = t * pps;
            if (!open || !(q < columnEnd)) {
                flush();
                open = true;
                column = Floor(q);
                columnEnd = static_cast<double>(column + 1);
                column -= origin;
                first = low = high = last = v;
            } else {
                low = std::min(low, v);
                high = std::max(high, v);
                last = v;
            }
        }
        flush();
        breaks.push_back(points.size());
        // A hairline drawn twice, the second time shifted by a little over half a pixel:
        // as bold as a 1.6 pixel line and many times cheaper to draw.
        QPen line(pen.color, 1);
        line.setCosmetic(true);
        p.setPen(line);
        for (const double shift : {0.0, 0.6}) {
            p.translate(shift, shift);
            for (size_t b = 0; b + 1 < breaks.size(); ++b) {
                const QPointF* run = points.data() + breaks[b];
                const int count = static_cast<int>(breaks[b + 1] - breaks[b]);
                if (count == 1)
                    p.drawPoint(*run);
                else if (count > 1)
                    p.drawPolyline(run, count);
            }
            p.translate(-shift, -shift);
        }
    }
    p.restore();
}

void StripChart::PaintTitle(QPainter& p) const
{
    // Bold, black, centred above the plot.
    const QFont titleFont = TitleFont(font());
    p.setFont(titleFont);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 4, width(), QFontMetrics(titleFont).height() + 4), Qt::AlignHCenter | Qt::AlignVCenter,
               Text(0));
}

void StripChart::PaintLegends(QPainter& p, const QRect& plot) const
{
    // Legends: right-aligned in the top right corner of the plot, in pen order.
    p.setFont(font());
    const QFontMetrics fm(font());
    int widest = 0;
    int lines = 0;
    for (int k = 0; k < PenCount(); ++k) {
        const QString& t = mTexts[static_cast<size_t>(k) + 1];
        if (!t.isEmpty()) {
            widest = std::max(widest, fm.horizontalAdvance(t));
            ++lines;
        }
    }
    if (lines == 0)
        return;
    const int right = plot.right() - 6;
    int y = plot.top() + 4;
    const QRect backing(right - widest - 4, y - 1, widest + 8, lines * fm.height() + 3);
    p.fillRect(backing, QColor(255, 255, 255, 215));
    for (int k = 0; k < PenCount(); ++k) {
        const QString& t = mTexts[static_cast<size_t>(k) + 1];
        if (t.isEmpty())
            continue;
        p.setPen(mPens[static_cast<size_t>(k)].legendColor);
        p.drawText(QRect(right - widest, y, widest, fm.height()), Qt::AlignRight | Qt::AlignVCenter, t);
        y += fm.height();
    }
}

void StripChart::PaintArrows(QPainter& p) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(kArrowColor);
    const int a = kArrowHalf;
    auto triangle = [&](QPointF p1, QPointF p2, QPointF p3) {
        const QPointF pts[3] = {p1, p2, p3};
        p.drawPolygon(pts, 3);
    };
    const QPoint top = ArrowCentre(Arrow::ValueTop);
    triangle(QPointF(top.x(), top.y() - a), QPointF(top.x() - a, top.y() + a), QPointF(top.x() + a, top.y() + a));
    const QPoint bottom = ArrowCentre(Arrow::ValueBottom);
    triangle(QPointF(bottom.x(), bottom.y() + a), QPointF(bottom.x() - a, bottom.y() - a),
             QPointF(bottom.x() + a, bottom.y() - a));
    // The time arrow points both ways: left lengthens the span, right shortens it.
    const QPoint span = ArrowCentre(Arrow::TimeSpan);
    triangle(QPointF(span.x() - 2 * a, span.y()), QPointF(span.x() - 1, span.y() - a),
             QPointF(span.x() - 1, span.y() + a));
    triangle(QPointF(span.x() + 2 * a, span.y()), QPointF(span.x() + 1, span.y() - a),
             QPointF(span.x() + 1, span.y() + a));
    p.restore();
}
