#pragma once

// Severity of a record. The order is the order in which the reader tests the
// level word and the order of the viewer's display names.
enum EntryType : int {
    Debug = 0,
    Info = 1,
    Warning = 2,
    Error = 3,
    Unknown = 4
};

// What an action record says about its action.
enum ActionActivity : int {
    Start = 0,
    Complete = 1,
    Cancel = 2,
    NoActivity = 3
};
