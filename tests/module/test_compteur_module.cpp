// The module counter itself, on an instance of the test's own.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "module/compteur_module.h"
#include "support/essais.h"

namespace {

TEST(CompteurModule, SignaleLEvenementQuandUnDecrementAtteintZero) {
    CompteurModule compteur;
    EXPECT_TRUE(compteur.EstNul());
    EXPECT_FALSE(compteur.Evenement()->Attendre(0));
    compteur.Incrementer();
    EXPECT_FALSE(compteur.EstNul());
    compteur.Decrementer();
    EXPECT_TRUE(compteur.EstNul());
    EXPECT_TRUE(compteur.Evenement()->Attendre(0));
    compteur.Incrementer();
    EXPECT_TRUE(compteur.Evenement()->Attendre(0)) << "nothing resets the event";
    compteur.Decrementer();
}

TEST(CompteurModule, UnIncrementQuiRevientAZeroNeSignalePas) {
    CompteurModule compteur;
    compteur.Decrementer();
    EXPECT_EQ(-1, compteur.Compte());
    EXPECT_FALSE(compteur.EstNul());
    EXPECT_FALSE(compteur.Evenement()->Attendre(0));
    compteur.Incrementer();
    EXPECT_TRUE(compteur.EstNul());
    EXPECT_FALSE(compteur.Evenement()->Attendre(0));
}

TEST(CompteurModule, NePerdAucunChangementEntreThreads) {
    SAUTER_SOUS_EMULATION_I386();
    CompteurModule compteur;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&compteur, t] {
            for (int i = 0; i < 5000; ++i) {
                if (t % 2) {
                    compteur.Incrementer();
                } else {
                    compteur.Decrementer();
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(0, compteur.Compte());
}

} // namespace
