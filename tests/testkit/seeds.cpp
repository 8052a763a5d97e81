#include "tests/testkit/seeds.h"

namespace kwt::test {
namespace {
std::vector<SeedGenerator>& Generators() {
  static std::vector<SeedGenerator> generators;
  return generators;
}
}  // namespace

SeedRegistration::SeedRegistration(SeedGenerator generator) {
  Generators().push_back(std::move(generator));
}

std::vector<Seed> AllSeeds() {
  std::vector<Seed> seeds;
  for (const auto& g : Generators()) g(seeds);
  return seeds;
}

}  // namespace kwt::test
