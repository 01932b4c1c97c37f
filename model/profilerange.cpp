#include "model/profilerange.h"

#include "device/ic553.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"

namespace {
constexpr int lightLimits[4] = {5, 4, 4, 5}; // effect, brightness step, speed step, colour slot

bool numberAt(const QVariantList &list, int i, int *value)
{
    bool ok = false;
    *value = list.value(i).toString().trimmed().toInt(&ok);
    return ok;
}

// Stores `value` only when the entry does not already read as it, so that a stored form the
// mouse can take stays as it was.
bool put(QVariantList &list, int i, int value)
{
    int now = 0;
    if (numberAt(list, i, &now) && now == value)
        return false;
    list[i] = uint(value);
    return true;
}

bool clampEntries(QVariantList &list, const QVariantList &factory, const int *highest, int count)
{
    bool changed = false;
    for (int i = 0; i < list.size() && i < count; ++i) {
        const int hi = highest[i];
        int v = 0;
        if (!numberAt(list, i, &v) && !numberAt(factory, i, &v))
            v = 0;
        changed |= put(list, i, qBound(0, v, hi));
    }
    return changed;
}

bool clampDpiList(QVariantList &list, const QVariantList &factory)
{
    bool changed = false;
    for (int i = 0; i < list.size(); ++i) {
        int v = 0;
        if ((!numberAt(list, i, &v) || v <= 0) && !numberAt(factory, i, &v))
            v = 0;
        changed |= put(list, i, ProfileRange::dpi(v));
    }
    return changed;
}
} // namespace

int ProfileRange::dpi(int value)
{
    const MouseData *md = MouseData::instance();
    const auto stepAt = [md](int v) { return qMax(qMax(md->stepDpi, 1), Ic553::dpiStep(v, md->deviceType)); };
    const auto nearest = [](int v, int step) { return (v + step / 2) / step * step; };
    // Far beyond any limit: the rounding below must not overflow.
    int v = nearest(qBound(0, value, 1 << 24), stepAt(value));
    const int low = md->minDpi;
    if (v < low) {
        const int step = stepAt(low);
        v = (low + step - 1) / step * step;
    }
    // A family without a configured maximum (0) must not pull every value down to 0.
    if (md->maxDpi > 0 && md->maxDpi >= md->minDpi && v > md->maxDpi) {
        const int step = stepAt(md->maxDpi);
        v = md->maxDpi / step * step;
    }
    return v;
}

bool ProfileRange::bringDpiIntoRange(MouseData *model)
{
    const MouseDefaultData *factory = MouseDefaultData::instance();
    bool changed = clampDpiList(model->xDpiList, factory->xDpiList);
    changed |= clampDpiList(model->yDpiList, factory->yDpiList);
    return changed;
}

bool ProfileRange::bringIntoRange(MouseData *model)
{
    const MouseDefaultData *factory = MouseDefaultData::instance();
    bool changed = bringDpiIntoRange(model);
    if (model->currentDpiCount > 5) {
        model->currentDpiCount = 5;
        changed = true;
    }
    if (model->lightValue.size() == 4)
        changed |= clampEntries(model->lightValue, factory->lightValue, lightLimits, 4);
    int colourLimits[24];
    std::fill(std::begin(colourLimits), std::end(colourLimits), 255);
    changed |= clampEntries(model->colorValue, factory->colorValue, colourLimits, 24);
    return changed;
}
