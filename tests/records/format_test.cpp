#include "records/format.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "record_helpers.hpp"
#include "records/fixed_text.hpp"

namespace laifit {
namespace {

using testing::render;

using testing::kEnd;

std::string hyphens(std::size_t n) { return std::string(n, '-'); }

TEST(Format, ExpandsRepeatsAndMergesTexts) {
  const Format f("(//'    FIN DU PROBLEME No.',i5,3x,i5,' iterations.'/ 4x,44(1h-))");
  ASSERT_EQ(f.steps().back().kind, FormatStep::Kind::text);
  EXPECT_EQ(f.text(f.steps().back()), std::string(44, '-'));

  const Format nine("(1x,i3,1x,f7.4,9f12.4)");
  int fixed = 0;
  for (const FormatStep& s : nine.steps()) {
    if (s.kind == FormatStep::Kind::fixed && s.width == 12) {
      EXPECT_EQ(s.digits, 4);
      ++fixed;
    }
  }
  EXPECT_EQ(fixed, 9);
}

// The report headings and closing lines of the estimator, with the items each one is written with.
TEST(Format, RendersTheEstimatorReportLiterals) {
  struct Case {
    const char* literal;
    std::vector<Item> items;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"('    HAUS59 - ESTIMATION NON-LINEAIRE - PROBLEME No. ',i5/4x,53(1h-))",
       {std::int32_t{1}},
       "    HAUS59 - ESTIMATION NON-LINEAIRE - PROBLEME No.     1" + kEnd + "    " + hyphens(53) + kEnd},
      {"(/'  (',i3,' observations, ',i5,' parametres,',i7,' memoires de travail auxiliaires.)'/)",
       {std::int32_t{20}, std::int32_t{3}, std::int32_t{133}},
       kEnd + "  ( 20 observations,     3 parametres,    133 memoires de travail auxiliaires.)" + kEnd + kEnd},
      {"(/' VALEURS INITIALES DES PARAMETRES :')", {}, kEnd + " VALEURS INITIALES DES PARAMETRES :" + kEnd},
      {"(/' proportions utilisees en calculant la diff.',' des quotients :')",
       {},
       kEnd + " proportions utilisees en calculant la diff. des quotients :" + kEnd},
      {"(/' ERREUR DE PARAMETRE.')", {}, kEnd + " ERREUR DE PARAMETRE." + kEnd},
      {"(/' somme des carres initiaux : ',e12.4)",
       {12.5f},
       kEnd + " somme des carres initiaux : " + "  0.1250E+02" + kEnd},
      {"(/' ARRET DES ITERATIONS - variation relative de chaque',' parametre < a ',e10.3)",
       {1.0e-5f},
       kEnd + " ARRET DES ITERATIONS - variation relative de chaque parametre < a " + " 0.100E-04" + kEnd},
      {"(/' ARRET DES ITERATIONS - variation relative de la somme',' des carres < a ',e10.3)",
       {1.0e-5f},
       kEnd + " ARRET DES ITERATIONS - variation relative de la somme des carres < a " + " 0.100E-04" + kEnd},
      {"(//' ON NE PEUT PAS RENDRE LA SOMME DES CARRES INFERIEURE',' A CELLE OBTENUE A L''ITERATION "
       "PRECEDENTE :'/' on arrete l''iteration.')",
       {},
       kEnd + kEnd +
           " ON NE PEUT PAS RENDRE LA SOMME DES CARRES INFERIEURE A CELLE OBTENUE A L'ITERATION PRECEDENTE :" + kEnd +
           " on arrete l'iteration." + kEnd},
      {"(/' matrice de correlation :')", {}, kEnd + " matrice de correlation :" + kEnd},
      {"(/' elements normalisants :')", {}, kEnd + " elements normalisants :" + kEnd},
      {"(/' variance des residus : ',e12.4,',',i4,' degres de',' liberte.')",
       {0.25f, std::int32_t{7}},
       kEnd + " variance des residus : " + "  0.2500E+00" + "," + "   7" + " degres de liberte." + kEnd},
      {"(/' limites de confiance individuelles pour chaque',' parametre (sous hypothese lineaire) :')",
       {},
       kEnd + " limites de confiance individuelles pour chaque parametre (sous hypothese lineaire) :" + kEnd},
      {"(/' intervalle de confiance approche pour chaque valeur',' de la fonction :')",
       {},
       kEnd + " intervalle de confiance approche pour chaque valeur de la fonction :" + kEnd},
      {"(/' valeurs des parametres par regression :')", {}, kEnd + " valeurs des parametres par regression :" + kEnd},
      {"(/' somme finale des carres : ',e12.4)", {-3.0f}, kEnd + " somme finale des carres : " + " -0.3000E+01" + kEnd},
      {"(//'    FIN DU PROBLEME No.',i5,3x,i5,' iterations.'/ 4x,44(1h-))",
       {std::int32_t{1}, std::int32_t{12}},
       kEnd + kEnd + "    FIN DU PROBLEME No." + "    1" + "   " + "   12" + " iterations." + kEnd + "    " +
           hyphens(44) + kEnd},
  };
  for (const Case& c : cases) {
    std::string out;
    OutputChannel channel(10, "capture", std::make_unique<StringSink>(out));
    channel.write(Format(c.literal), std::span<const Item>(c.items));
    channel.flush();
    EXPECT_EQ(out, c.expected) << c.literal;
  }
}

// The hyphen lines are as wide as the text line above them.
TEST(Format, UnderlinesMatchTheirHeadings) {
  const std::string head = render("('    HAUS59 - ESTIMATION NON-LINEAIRE - PROBLEME No. ',i5/4x,53(1h-))", {99999});
  const auto first = head.find(kEnd);
  EXPECT_EQ(first, head.size() - first - 2 * kEnd.size());
  const std::string tail = render("(//'    FIN DU PROBLEME No.',i5,3x,i5,' iterations.'/ 4x,44(1h-))", {1, 50});
  const std::string last_two = tail.substr(2 * kEnd.size());
  const auto cut = last_two.find(kEnd);
  EXPECT_EQ(cut, last_two.size() - cut - 2 * kEnd.size());
}

// The layouts of the result file, the observation table and the matrix panels.
TEST(Format, RendersTheDataRecordLiterals) {
  EXPECT_EQ(render("(i1,1x,f9.4)", {1, 2.5f}),
            "1"
            " "
            "   2.5000" +
                kEnd);
  EXPECT_EQ(render("(i1,1x,f15.4)", {0, 1234.5f}),
            "0"
            " "
            "      1234.5000" +
                kEnd);
  EXPECT_EQ(render("(f10.1,1x,i4,1x,f10.1)", {0.25f, 7, 12.75f}),
            "       0.2"
            " "
            "   7"
            " "
            "      12.8" +
                kEnd);
  EXPECT_EQ(render("(i3,1x,i3,1x,f6.3,1x,f6.1)", {1, 120, 0.123f, 850.5f}),
            "  1"
            " "
            "120"
            " "
            " 0.123"
            " "
            " 850.5" +
                kEnd);
  EXPECT_EQ(render("(i2,1x,i2,1x,i4)", {5, 4, 2011}),
            " 5"
            " "
            " 4"
            " "
            "2011" +
                kEnd);
  EXPECT_EQ(render("(1x,i3,1x,f7.4,9f12.4)", {3, 1.0f, -0.25f}),
            " "
            "  3"
            " "
            " 1.0000"
            "     -0.2500" +
                kEnd);

  FixedText<30> name("climat.txt");
  EXPECT_EQ(render("(2x,a30)", {name}), "  climat.txt" + std::string(20, ' ') + kEnd);

  std::array<char, 200> line;
  line.fill(' ');
  line[0] = 'a';
  line[1] = ';';
  line[2] = 'b';
  EXPECT_EQ(render("(200a1)", {Item::characters(line)}), "a;b" + std::string(197, ' ') + kEnd);
}

// Items remaining at the closing parenthesis start a new record and the format again from its start.
TEST(Format, RevertsToItsStartForRemainingItems) {
  std::vector<float> values;
  for (int k = 1; k <= 25; ++k) values.push_back(static_cast<float>(k));
  // k in e12.4: 0.k000E+01 below ten, 0.kk00E+02 from ten on.
  auto field = [](int k) {
    return k < 10 ? "  0." + std::to_string(k) + "000E+01" : "  0." + std::to_string(k) + "00E+02";
  };
  std::string expected;
  for (int k = 1; k <= 25; ++k) {
    if (k % 10 == 1) expected += " ";
    expected += field(k);
    if (k % 10 == 0 || k == 25) expected += kEnd;
  }
  EXPECT_EQ(render("(1x,10e12.4)", {std::span<const float>(values)}), expected);

  std::vector<std::int32_t> columns;
  for (int k = 1; k <= 12; ++k) columns.push_back(k);
  std::string header = " " + std::string(7, ' ') + "1";
  for (int k = 2; k <= 10; ++k) header += std::string(k < 10 ? 11 : 10, ' ') + std::to_string(k);
  header += kEnd + " " + std::string(6, ' ') + "11" + std::string(10, ' ') + "12" + kEnd;
  EXPECT_EQ(render("(1x,i8,9i12)", {std::span<const std::int32_t>(columns)}), header);

  // Exactly as many items as descriptors: no empty record after them.
  EXPECT_EQ(render("(i2,i2)", {1, 2}), " 1 2" + kEnd);
  EXPECT_EQ(render("(i2)", {1, 2, 3}), " 1" + kEnd + " 2" + kEnd + " 3" + kEnd);
  // A reverted format goes through its texts and slashes again.
  EXPECT_EQ(render("('<',i1/)", {1, 2}), "<1" + kEnd + kEnd + "<2" + kEnd + kEnd);
}

// Without an item for it, a data descriptor ends the statement; texts, skips and slashes before it count.
TEST(Format, StopsAtTheFirstDataDescriptorWithoutAnItem) {
  EXPECT_EQ(render("(/' variance des residus : ',e12.4,',',i4,' degres de',' liberte.')", {1.5f, 3}),
            kEnd + " variance des residus :   0.1500E+01,   3 degres de liberte." + kEnd);
  EXPECT_EQ(render("(' a',i2,' b',i2,' c')", {1}), " a 1 b" + kEnd);
  EXPECT_EQ(render("('x',i2,'y')", {}), "x" + kEnd);
  EXPECT_EQ(render("(i2,'y')", {}), kEnd);
  EXPECT_EQ(render("(i2/'second',i2,'never')", {7}), " 7" + kEnd + "second" + kEnd);
  EXPECT_EQ(render("(1x,10e12.4)", {}), kEnd);
}

TEST(Format, WritesSkipsOnlyWhenSomethingFollows) {
  EXPECT_EQ(render("(i2,3x)", {1}), " 1" + kEnd);
  EXPECT_EQ(render("(3x,'a',2x)", {}), "   a" + kEnd);
  EXPECT_EQ(render("(i2,3x,i2)", {1}), " 1" + kEnd);
  EXPECT_EQ(render("(i2,3x,i2)", {1, 2}), " 1    2" + kEnd);
  EXPECT_EQ(render("(i2,2x/i2)", {1, 2}), " 1" + kEnd + " 2" + kEnd);
  EXPECT_EQ(render("(1x,2x,'a')", {}), "   a" + kEnd);
  EXPECT_EQ(render("(4x,44(1h-))", {}), "    " + hyphens(44) + kEnd);
}

TEST(Format, SlashesEndRecords) {
  EXPECT_EQ(render("(/'a')", {}), kEnd + "a" + kEnd);
  EXPECT_EQ(render("(//'a')", {}), kEnd + kEnd + "a" + kEnd);
  EXPECT_EQ(render("('a'/)", {}), "a" + kEnd + kEnd);
  EXPECT_EQ(render("('a'//'b')", {}), "a" + kEnd + kEnd + "b" + kEnd);
  EXPECT_EQ(render("('a',3/'b')", {}), "a" + kEnd + kEnd + kEnd + "b" + kEnd);
  EXPECT_EQ(render("(/)", {}), kEnd + kEnd);
}

TEST(Format, TextDescriptors) {
  EXPECT_EQ(render("('L''ITERATION')", {}), "L'ITERATION" + kEnd);
  EXPECT_EQ(render("('''')", {}), "'" + kEnd);
  EXPECT_EQ(render("(\"say \"\"hi\"\"\")", {}), "say \"hi\"" + kEnd);
  EXPECT_EQ(render("(\"it's\")", {}), "it's" + kEnd);
  EXPECT_EQ(render("(5hab cd)", {}), "ab cd" + kEnd);
  EXPECT_EQ(render("(3h,'))", {}), ",')" + kEnd);
  EXPECT_EQ(render("(2(1h*,'-'),i2)", {5}), "*-*- 5" + kEnd);
  EXPECT_EQ(render("(53(1h-))", {}), hyphens(53) + kEnd);
  EXPECT_EQ(render("('  two  blanks  ')", {}), "  two  blanks  " + kEnd);
}

TEST(Format, RepeatCountsCopyDescriptorsAndGroups) {
  EXPECT_EQ(render("(3i2)", {1, 2, 3}), " 1 2 3" + kEnd);
  EXPECT_EQ(render("(2(i1,'.'),i1)", {1, 2, 3}), "1.2.3" + kEnd);
  EXPECT_EQ(render("(2(i1,2('-')))", {4, 5}), "4--5--" + kEnd);
  EXPECT_EQ(render("(2f4.1)", {1.0f, 2.0f}), " 1.0 2.0" + kEnd);
}

// Blanks between the parts of a descriptor, and the case of its letters, change nothing.
TEST(Format, IgnoresBlanksAndCaseOutsideTexts) {
  const std::string plain = render("(i2,/4x,f6.3,e12.4,a3)", {1, 0.5f, 2.0f, "abc"});
  for (const char* same :
       {"(i2,/ 4x,f6.3,e12.4,a3)", " ( i 2 , / 4 x , f 6 . 3 , e 1 2 . 4 , a 3 ) ", "(I2,/4X,F6.3,E12.4,A3)"}) {
    EXPECT_EQ(render(same, {1, 0.5f, 2.0f, "abc"}), plain) << same;
  }
  EXPECT_EQ(render("(' a b ')", {}), " a b " + kEnd);
}

// Every literal the system writes or reads with parses.
TEST(Format, ParsesEveryLiteralOfTheSystem) {
  const char* literals[] = {
      "('    HAUS59 - ESTIMATION NON-LINEAIRE - PROBLEME No. ',i5/4x,53(1h-))",
      "(/'  (',i3,' observations, ',i5,' parametres,',i7,' memoires de travail auxiliaires.)'/)",
      "(/' ARRET DES ITERATIONS - variation relative de chaque',' parametre < a ',e10.3)",
      "(/' ARRET DES ITERATIONS - variation relative de la somme',' des carres < a ',e10.3)",
      "(/' ERREUR DE PARAMETRE.')",
      "(/' VALEURS INITIALES DES PARAMETRES :')",
      "(/' elements normalisants :')",
      "(/' intervalle de confiance approche pour chaque valeur',' de la fonction :')",
      "(/' limites de confiance individuelles pour chaque',' parametre (sous hypothese lineaire) :')",
      "(/' matrice de correlation :')",
      "(/' proportions utilisees en calculant la diff.',' des quotients :')",
      "(/' somme des carres initiaux : ',e12.4)",
      "(/' somme finale des carres : ',e12.4)",
      "(/' valeurs des parametres par regression :')",
      "(/' variance des residus : ',e12.4,',',i4,' degres de',' liberte.')",
      "(//'    FIN DU PROBLEME No.',i5,3x,i5,' iterations.'/ 4x,44(1h-))",
      ("(//' ON NE PEUT PAS RENDRE LA SOMME DES CARRES INFERIEURE',' A CELLE OBTENUE A L''ITERATION PRECEDENTE :'/"
       "' on arrete l''iteration.')"),
      "(1x,10e12.4)",
      "(1x,i3,1x,f7.4,9f12.4)",
      "(1x,i8,9i12)",
      "(200a1)",
      "(2x,a30)",
      "(f10.1,1x,i4,1x,f10.1)",
      "(i1,1x,f15.4)",
      "(i1,1x,f9.4)",
      "(i2,1x,i2,1x,i4)",
      "(i3,1x,i3,1x,f6.3,1x,f6.1)",
  };
  for (const char* literal : literals) {
    EXPECT_NO_THROW(Format{literal}) << literal;
  }
  EXPECT_EQ(Format("(200a1)").steps().size(), 200u);
  EXPECT_FALSE(Format("(/' ERREUR DE PARAMETRE.')").has_data());
  EXPECT_TRUE(Format("(2x,a30)").has_data());
}

TEST(Format, RejectsMalformedLiterals) {
  const char* bad[] = {
      "",        "i5",     "(i5",     "i5)",    "(i5))",  "(i5) x", "(,i5)",  "(i5,)",   "(i5,,i5)", "(i)",
      "(i0)",    "(f6)",   "(f6.)",   "(f.3)",  "(x)",    "(0x)",   "(h)",    "(0i5)",   "(z5)",     "(l1)",
      "(g12.4)", "('abc)", "(\"abc)", "(9hab)", "(2(i5)", "(i5))(", "(i999)", "(f6.-1)", "(-i5)",    "(i5 'a' ))",
  };
  for (const char* literal : bad) {
    EXPECT_THROW(Format{literal}, std::invalid_argument) << literal;
  }
}

}  // namespace
}  // namespace laifit
