#include "bus/video_event_log.h"

#include "bus/hardware_state.h"

static LogEntry logs[2][VIDEO_EVENT_LOG_CAPACITY + 1];
LogEntry* VideoEventLog = logs[0];
static const LogEntry* heldLog;

void videoEventLogHold(const LogEntry* log) { heldLog = log; }

void videoEventLogReset() {
    if (VideoEventLog == heldLog) VideoEventLog = VideoEventLog == logs[0] ? logs[1] : logs[0];
    hw.videoEventWrite = VideoEventLog;
    hw.videoEventLastStamp = 0;
}

void videoEventLogClose() { hw.videoEventWrite->delta = VIDEO_EVENT_END; }

void videoEventRecord(int32_t c, uint32_t kind, uint32_t value) {
    LogEntry* e = hw.videoEventWrite++;
    e->delta = uint32_t(c - hw.videoEventLastStamp);
    e->kind = kind;
    e->value = value;
    hw.videoEventLastStamp = c;
}
