#include "video/video_event_log.h"

#include "machine/hardware_state.h"

LogEntry VideoEventLog[VIDEO_EVENT_LOG_CAPACITY + 1];

void videoEventLogReset() {
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
