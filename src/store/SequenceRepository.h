#pragma once
// Named test sequences: SequenceName rows with SequenceId dense 1..N, and their steps in
// SequenceSetup numbered 1..n.

#include "core/SequenceStep.h"
#include "store/Database.h"

#include <QString>

#include <optional>
#include <vector>

namespace viscora {

struct SequenceEntry {
    int sequenceId = 0;
    QString name;
    int rbfactor = 0;
};

class SequenceRepository {
public:
    explicit SequenceRepository(Database &db) : db_(db) {}

    // In table order.
    DbRead<std::vector<SequenceEntry>> sequences() const;
    DbRead<std::optional<SequenceEntry>> find(const QString &name) const;
    // The steps of a sequence in StepNo order.
    DbRead<std::vector<SequenceStep>> steps(int sequenceId) const;
    // The steps of the sequence of that name; nullopt when there is no such sequence.
    DbRead<std::optional<std::vector<SequenceStep>>> stepsOf(const QString &name) const;
    DbRead<bool> existsIgnoringCase(const QString &name) const;
    // Adds a sequence as the last one (SequenceId = last + 1) with its steps; newId gets the id.
    DbResult createSequence(const QString &name, int rbfactor,
                            const std::vector<SequenceStep> &steps, int &newId);
    // Deletes the sequence and its steps and closes the gap in the numbering.
    DbResult deleteSequence(const QString &name);

    // Rewrites step stepNo's values.
    DbResult updateStep(int sequenceId, const SequenceStep &step);
    // Moves the steps numbered `at` and above up by steps.size() and inserts the given
    // steps as at, at + 1, ...
    DbResult insertSteps(int sequenceId, int at, const std::vector<SequenceStep> &steps);
    // Deletes step stepNo and moves the later steps down by one.
    DbResult deleteStep(int sequenceId, int stepNo);

private:
    Database &db_;
};

} // namespace viscora
