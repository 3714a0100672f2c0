// A small torus sweep that several sweep tests start from: one swept
// argument, two replicates, given initial levels.
#pragma once

namespace sweep_samples {

inline constexpr const char* kTorus = R"(model = "torus"
[parameters]
intercept = 0.5
slope = 1
levels = 3
payoff_mode = 1
noise = 0.3
mutation_rate = 0.05
steps = 6
[sweep]
neighbourhood = [0, 1, 0]
[replicates]
count = 2
[initial]
traits = [[0, 1, 2], [2, 1, 0]]
)";

}  // namespace sweep_samples
