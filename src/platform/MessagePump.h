#pragma once

// Lets pending window messages run while a long job is read or output, so open
// dialogs, their timers and the tray stay responsive. Running the event loop after every
// record or line would cost more than the work itself, so letMessagesRun() does it at
// most every few milliseconds; letMessagesRunNow() always does.
namespace pump {

void letMessagesRun();
void letMessagesRunNow();

} // namespace pump
