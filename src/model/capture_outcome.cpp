#include "model/capture_outcome.h"

bool CaptureOutcome::takeDelivery() {
    if (m_delivered) return false;
    m_delivered = true;
    return true;
}

void CaptureOutcome::deliver(const CaptureResultInput& input) {
    if (takeDelivery()) deliverCaptureResult(input, m_path, m_log, m_exit);
}

void CaptureOutcome::deliverLostDisplay(const CaptureResultInput& input) {
    CaptureResultInput cancelled = input;
    cancelled.kind = kResultCancelled;
    if (takeDelivery()) ::deliverLostDisplay(cancelled, m_path, m_log, m_exit);
}

void CaptureOutcome::recordLostDisplay(const CaptureResultInput& input) {
    CaptureResultInput cancelled = input;
    cancelled.kind = kResultCancelled;
    if (takeDelivery() && m_path) recordCaptureResult(cancelled, m_path, m_log);
}
