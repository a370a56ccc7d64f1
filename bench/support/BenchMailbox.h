#pragma once

#include "support/SampleMailbox.h"

namespace testsupport {

// count messages with realistic headers of about 1.5 KB; every tenth (10, 20, ...)
// is an English advertisement that sampleRuleProfile() deletes, the rest are wanted.
QList<SampleMessage> benchmarkMailbox(int count);

} // namespace testsupport
