#pragma once
// Follows the host's tempo and song position from the event deliveries without
// asking the host on every block: while the transport moves the host is asked
// on every delivery, while it stands only every 20th. Each plug-in instance has
// its own, so two instances in one host never disturb each other.

namespace tessarine {

class TempoTracker {
public:
    // True when the host should be asked for its time on this delivery.
    bool dueForQuery()
    {
        if (--countdown_ < 1) {
            countdown_ = kQueryInterval;
            return true;
        }
        return false;
    }

    // The host's answer to a query.
    void observe(double tempo, double ppq)
    {
        lastTempo_ = tempo;
        if (ppq - lastPpq_ >= 0.001 || lastPpq_ - ppq >= 0.001) {
            countdown_ = 0; // moving: ask again next time
        }
        lastPpq_ = ppq;
    }

    // True once when tempo or position changed since they were last applied.
    bool takeChange()
    {
        if (lastTempo_ == appliedTempo_ && lastPpq_ == appliedPpq_) {
            return false;
        }
        appliedTempo_ = lastTempo_;
        appliedPpq_ = lastPpq_;
        return true;
    }

    double tempo() const { return appliedTempo_; }
    double ppqPosition() const { return appliedPpq_; }

private:
    static constexpr int kQueryInterval = 20;

    int countdown_ = 0;
    double lastTempo_ = 120.0;
    double lastPpq_ = 10.0;
    double appliedTempo_ = 0.0;
    double appliedPpq_ = 0.0;
};

} // namespace tessarine
