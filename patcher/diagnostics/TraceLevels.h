#pragma once
// Trace levels: a higher number means a less important line.
enum TraceLevel : int {
    TL_ALWAYS = 0,
    TL_FATAL = 100,
    TL_DANGER = 200,
    TL_ERROR = 300,
    TL_WARNING = 350,
    TL_IMPORTANT = 400,
    TL_NOTIFY = 500,
    TL_NOT_IMPORTANT = 600,
    TL_SPAM = 700,
    TL_ANNOYING = 800,
    TL_FRAME = 900,
};
