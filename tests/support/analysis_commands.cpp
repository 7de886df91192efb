// The main window's command of an analysis for the tests and the benchmark: the runner itself.
#include "tests/support/analysis_commands.h"

#include "analysis/analyses.h"
#include "analysis/runner.h"

void RunAnalysisCommand(const Analysis& analysis, const Game& game, AnalysisContext& context) {
    RunAnalysis(analysis, game, context.dataset,
                BoardTarget{context.values, context.periods, [&]() -> TCanvas& { return context.canvas; }});
}
