#pragma once

// Why a target did not take a value. The ones that pass keep the value waiting in the outbox;
// TargetMissing and Refused do not, for a new value: the settings or the data are wrong, not the
// moment.
enum class DeliveryProblem {
    None,          // taken
    TargetMissing, // no such file or table, or a file that is not a workbook
    Refused,       // the database refuses the record itself
    OpenElsewhere, // the workbook is open in another program
    SheetMissing,  // the workbook lacks the worksheet
    Locked,        // another program holds the database
    Unreachable,   // the database cannot be reached or opened
    NotWritable,   // the file cannot be written
};

// Whether the value may go in later, unchanged.
constexpr bool isPassing(DeliveryProblem problem) {
    return problem != DeliveryProblem::None && problem != DeliveryProblem::TargetMissing &&
           problem != DeliveryProblem::Refused;
}
