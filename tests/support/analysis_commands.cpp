// The four commands for the tests and the benchmark, each the runner with its analysis.
#include "tests/support/analysis_commands.h"

#include "analysis/runner.h"

namespace {

void Run(const Analysis& analysis, const Game& game, AnalysisContext& context) {
    RunAnalysis(analysis, game, context.dataset,
                BoardTarget{context.values, context.periods, [&]() -> TCanvas& { return context.canvas; }});
}

}  // namespace

void FrequencyHistogram(const Game& game, AnalysisContext& context) {
    Run(FrequencyHistogramAnalysis(), game, context);
}

void SuccessionProbability(const Game& game, AnalysisContext& context) {
    Run(SuccessionProbabilityAnalysis(), game, context);
}

void AverageWaitingPeriod(const Game& game, AnalysisContext& context) {
    Run(AverageWaitingPeriodAnalysis(), game, context);
}

void TalvenMethod(const Game& game, AnalysisContext& context) { Run(TalvenMethodAnalysis(), game, context); }
