// The format walk: parsing of every format text the program holds, placement of characters in
// columns, record ends, the stop and restart rules, and whole records checked character for
// character against worked records and against lines of the reference runs.
#include "format/format.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace quelmar {
namespace {

using namespace std::string_view_literals;

std::string render(std::string_view format, std::initializer_list<Item> items = {}) {
  std::string out;
  Format(format).render(std::span<const Item>(items.begin(), items.size()), out);
  return out;
}

std::string blanks(std::size_t n) { return std::string(n, ' '); }

Real16 real(double high) { return Real16{high, 0.0}; }

// --- Parsing ---------------------------------------------------------------------------------

TEST(FormatParsing, EveryFormatOfTheProgramParses) {
  // Exactly as the program holds them, with their leading and trailing blanks.
  for (
      const char* text : {
          R"( (' Bitflags: 1-used, 0-discarded [N->1]')  )",
          R"( (' The corresponding rows & columns are zeroed.',\))",
          R"( (/'  ^:Linearly Dependent. Rows and Columns with positive indices (above) failed to invert,')  )",
          R"(( '  Fortran arrays store in column-major order.')  )",
          R"(( 'The file could not be opened for write. Using screen.'))",
          R"(( 'jCinverse:'))",
          R"(( /'Consider these results tentative for linearly dependent complex matrices.',/,'  I have not applied them yet.',/'For real matrices the results have confirmed utility.') )",
          R"(('    iu =',i3,'  ju = ',i3,16x,'Pivot =',sp,' (',f13.6,',',f13.6,'j)') )",
          R"(('  Fortran arrays store in column-major order.',/) )",
          R"(('  Program Quelmar_Demo}',16x,' [deallocated]',t70,' Done @113',/))",
          R"(('  Quelmar} ',60('-'),t40,' [deallocated] '        ,t70,' Exit @230',/))",
          R"(('  Writing binary file jCin.bim'      ,t75,' @129'))",
          R"((''))",
          R"(('@ Rank =',i3,21x,'abs(CdetN) =',e23.10/22x,' ',\) )",
          R"(('Quelmar: DataFileOut     = ',:,79a1))",
          R"(('[',b63.6,'] input' )  )",
          R"(('[',b63.6,'] output')  )",
          R"((/'  Writing binary file jCinv.bim '     ,t75,' @214')  )",
          R"((/' {Quelmar(Nin,C,iRankOut,iRW,iP):',45('-'),t40,' [allocating] ',t63,' Quelmar @ 97') )",
          R"((/'!{Program Quelmar_Demo:',45('-'),t58,' Quelmar_Demo @ 40'))",
          R"((/'Cin*Cinv: maps outputs back into outputs.',' An Identity matrix if full-rank.')  )",
          R"((/'Cinv*Cin: maps inputs back into inputs.',' An Identity matrix if full-rank.'))",
          R"((/'Quelmar_Demo: reading ',:,79a1))",
          R"((13(' '),\) )",
          R"((13x,'sign untracked:',9x,'CdetN =',sp,' (',f13.6,',',f13.6,'j)')   )",
          R"((2(i3,','),sp,' (',e38.30,',',e38.30,'),'))",
          R"((31('-'),\) )",
          R"((34x,' ValMin  =',e15.6,' scaled by pivot:'/)   )",
          R"((i,' ' ,\)  )",
          R"((i7,', : Nin'))",
          R"((i7,', : iRankIn   ignored.'))",
          R"((i7,', : iRankOut'))",
          R"((sp,' (',e13.4,',',e13.4,'j),',\)   )",
          R"((sp,' (',f13.6,',',f13.6,'j)',\))",
          R"((sp,i6,24x,' ',\)   )",
      }) {
    EXPECT_NO_THROW(Format{text}) << text;
  }
}

TEST(FormatParsing, MalformedTextsAreRejected) {
  for (const char* text : {
           "",      "i3",     "(i3",  "i3)",   "(i3))", "(i3) x",   "('abc)", "(x)",
           "(0x)",  "(t)",    "(t0)", "(3t5)", "(3/)",  "(2sp)",    "(s)",    "(q5)",
           "(f13)", "(e15.)", "(b)",  "(i0)",  "(0i3)", "(0('a'))", "(3)",    "(a99999)",
       }) {
    EXPECT_THROW(Format{text}, std::logic_error) << text;
  }
}

TEST(FormatParsing, LettersInEitherCaseAndBlanksOutsideLiterals) {
  EXPECT_EQ(render("(SP,I6,' A b ')", {5}), "    +5 A b \r\n");
  EXPECT_EQ(render("( s p , i 1 2 , 2 x , ' x ' )", {5}), blanks(10) + "+5   x \r\n");
}

TEST(FormatParsing, DoubledQuoteInsideLiteralIsOneQuote) {
  EXPECT_EQ(render("('it''s',2(''''))"), "it's''\r\n");
}

// A format whose literal 'x' sits inside `depth` nested groups, the innermost repeated 3 times.
std::string nested_groups(int depth) {
  std::string groups = "3('x')";
  for (int level = 1; level < depth; ++level) groups = "(" + groups + ")";
  return "(" + groups + ")";
}

TEST(FormatParsing, GroupsNestTwentyDeep) {
  EXPECT_EQ(render(nested_groups(20)), "xxx\r\n");
  EXPECT_THROW(Format{nested_groups(21)}, std::logic_error);
}

// --- Placing characters in columns ------------------------------------------------------------

TEST(FormatPlacement, TabBackOverwritesTheBannerDashes) {
  // Reference run, standard output: the empty record, then the banner.
  EXPECT_EQ(render("(/'!{Program Quelmar_Demo:',45('-'),t58,' Quelmar_Demo @ 40')"),
            "\r\n!{Program Quelmar_Demo:---------------------------------- Quelmar_Demo @ 40\r\n");
  // Reference run, output text file: two overwrites inside the 78 columns, dashes left behind.
  EXPECT_EQ(render("(/' {Quelmar(Nin,C,iRankOut,iRW,iP):',45('-'),t40,' [allocating] ',t63,"
                   "' Quelmar @ 97') "),
            "\r\n {Quelmar(Nin,C,iRankOut,iRW,iP):------ [allocating] --------- Quelmar @ 97---"
            "\r\n");
  EXPECT_EQ(render("('  Quelmar} ',60('-'),t40,' [deallocated] '        ,t70,' Exit @230',/)"),
            "  Quelmar} ---------------------------- [deallocated] --------------- Exit @230"
            "\r\n\r\n");
}

TEST(FormatPlacement, TabAndSkipBeyondTheEndFillWithBlanks) {
  EXPECT_EQ(render("('  Program Quelmar_Demo}',16x,' [deallocated]',t70,' Done @113',/)"),
            "  Program Quelmar_Demo}                 [deallocated]                 Done @113"
            "\r\n\r\n");
  EXPECT_EQ(render("('  Writing binary file jCin.bim'      ,t75,' @129')"),
            "  Writing binary file jCin.bim" + blanks(44) + " @129\r\n");
}

TEST(FormatPlacement, MovesWithoutLaterOutputAddNothing) {
  EXPECT_EQ(render("('ab',24x)"), "ab\r\n");
  EXPECT_EQ(render("('ab',t40)"), "ab\r\n");
  EXPECT_EQ(render("(24x,' ')"), blanks(25) + "\r\n");
  EXPECT_EQ(render("('ab',24x/'c')"), "ab\r\nc\r\n");
}

TEST(FormatPlacement, ShortOverwriteKeepsTheRestOfTheRecord) {
  EXPECT_EQ(render("('abcdef',t2,'X',2x,'Y')"), "aXcdYf\r\n");
  // A field placed back inside the record that runs past its end lengthens it.
  EXPECT_EQ(render("('abc',t2,'WXYZ')"), "aWXYZ\r\n");
  EXPECT_EQ(render("('abc',t1,i5)", {42}), "   42\r\n");
}

// --- Record ends -----------------------------------------------------------------------------

TEST(FormatRecords, EmptyLiteralWritesAnEmptyRecord) { EXPECT_EQ(render("('')"), "\r\n"); }

TEST(FormatRecords, SlashAtStartMiddleAndEnd) {
  EXPECT_EQ(render("(/'a')"), "\r\na\r\n");
  EXPECT_EQ(render("('a'/)"), "a\r\n\r\n");
  EXPECT_EQ(render("( /'x',/,'  y',/'z') "), "\r\nx\r\n  y\r\nz\r\n");
}

TEST(FormatRecords, KeepOpenLeavesTheLastRecordWithoutLineEnd) {
  EXPECT_EQ(render(R"((13(' '),\))"), blanks(13));
  EXPECT_EQ(render(R"((31('-'),\))"), std::string(31, '-'));
  EXPECT_EQ(render(R"(('a'/'b',\))"), "a\r\nb");
}

TEST(FormatRecords, EachStatementCountsColumnsFromItsOwnStart) {
  // One line built by three statements, as the rank listing writes its row labels.
  std::string line;
  Format(R"((i,' ' ,\))").render(std::array<Item, 1>{Item{5}}, line);
  Format(R"(('ab',t2,'X',\))").render({}, line);
  Format("('')").render({}, line);
  EXPECT_EQ(line, blanks(11) + "5 aX\r\n");
}

TEST(FormatRecords, SeparatorLineOfTheReferenceRun) {
  // Reference run: 13 blanks, 31 hyphens per column (two columns), ended by a free-form write
  // with no item, which adds its blank before CR LF.
  std::string line;
  Format(R"((13(' '),\) )").render({}, line);
  for (int column = 0; column < 2; ++column) Format(R"((31('-'),\) )").render({}, line);
  line += " \r\n";
  EXPECT_EQ(line,
            "             --------------------------------------------------------------"
            " \r\n");
}

// --- Items, stop and restart -----------------------------------------------------------------

TEST(FormatItems, ColonStopsOnlyWhenNoItemIsLeft) {
  const std::string_view name_format = "('Quelmar: DataFileOut     = ',:,79a1)";
  EXPECT_EQ(render(name_format), "Quelmar: DataFileOut     = \r\n");
  EXPECT_EQ(render(name_format, {"o"sv, "u"sv, "t"sv, "."sv, "t"sv, "x"sv, "t"sv}),
            "Quelmar: DataFileOut     = out.txt\r\n");
  EXPECT_EQ(render("(/'Quelmar_Demo: reading ',:,79a1)", {"i"sv, "n"sv}),
            "\r\nQuelmar_Demo: reading in\r\n");
  // After the colon nothing more is written once the items are used up.
  EXPECT_EQ(render("(i2,:,'tail')", {7}), " 7\r\n");
  EXPECT_EQ(render("(i2,:,'tail')", {}), "\r\n");
}

TEST(FormatItems, WalkStopsAtTheFirstDataDescriptorWithoutAnItem) {
  EXPECT_EQ(render("(i3,'x',i3,'y')", {1}), "  1x\r\n");
  EXPECT_EQ(render("(i7,', : Nin')", {}), "\r\n");
}

TEST(FormatItems, TrailingControlsAfterTheLastItemAreWritten) {
  EXPECT_EQ(render("('[',b63.6,'] input' )  ", {std::int64_t{5}}),
            "[" + blanks(57) + "000101] input\r\n");
  EXPECT_EQ(render("(i2,2x,'a',/,'b',3x)", {1}), " 1  a\r\nb\r\n");
}

TEST(FormatItems, RepeatedDataDescriptorTakesConsecutiveItems) {
  EXPECT_EQ(render("(3a2,'|')", {"a"sv, "b"sv, "c"sv}), " a b c|\r\n");
  EXPECT_EQ(render("(3a2,'|')", {"a"sv, "b"sv}), " a b\r\n");
}

TEST(FormatItems, RestartAtTheLastOutermostGroupWithItsRepeatCount) {
  EXPECT_EQ(render("(i1,2(i2))", {1, 2, 3, 4, 5, 6}), "1 2 3\r\n 4 5\r\n 6\r\n");
  EXPECT_EQ(render("('a',(i2),'b',(i3))", {1, 2, 3}), "a 1b  2\r\n  3\r\n");
  EXPECT_EQ(render("(i2)", {1, 2, 3}), " 1\r\n 2\r\n 3\r\n");
}

TEST(FormatItems, NestedGroupsRepeat) {
  EXPECT_EQ(render("(2('<',2(i1),'>'))", {1, 2, 3, 4}), "<12><34>\r\n");
}

TEST(FormatItems, PlusModeLastsForTheStatementOnly) {
  const Format format("(i3,sp,(i3))");
  std::string out;
  format.render(std::array<Item, 3>{Item{1}, Item{2}, Item{3}}, out);
  EXPECT_EQ(out, "  1 +2\r\n +3\r\n");
  out.clear();
  format.render(std::array<Item, 1>{Item{1}}, out);
  EXPECT_EQ(out, "  1\r\n");
}

TEST(FormatItems, ItemsWithoutDataDescriptorsAreAProgramDefect) {
  EXPECT_THROW(render("('abc')", {1}), std::logic_error);
  EXPECT_THROW(render("(i2,('x'))", {1, 2}), std::logic_error);
}

TEST(FormatItems, ItemOfTheWrongKindIsAProgramDefect) {
  EXPECT_THROW(render("(i3)", {"a"sv}), std::logic_error);
  EXPECT_THROW(render("(f13.6)", {1}), std::logic_error);
  EXPECT_THROW(render("(a1)", {real(1.0)}), std::logic_error);
}

TEST(FormatItems, IntegerOfEightBytesUsesItsOwnDefaultWidthAndBinaryDigits) {
  EXPECT_EQ(render("(i)", {std::int64_t{5}}), blanks(23) + "5\r\n");
  EXPECT_EQ(render("(b64.1)", {std::int64_t{-1}}), std::string(64, '1') + "\r\n");
}

// --- Whole records with real editing ----------------------------------------------------------

TEST(FormatWorkedRecords, PivotTrace) {
  EXPECT_EQ(render("('    iu =',i3,'  ju = ',i3,16x,'Pivot =',sp,' (',f13.6,',',f13.6,'j)') ",
                   {2, 3, real(1.5), real(-0.25)}),
            "    iu =  2  ju =   3                Pivot = (    +1.500000,    -0.250000j)\r\n");
}

TEST(FormatWorkedRecords, ValMinWithTrailingSlash) {
  EXPECT_EQ(render("(34x,' ValMin  =',e15.6,' scaled by pivot:'/)   ", {real(4.0e-24)}),
            blanks(34) + " ValMin  =   0.400000E-23 scaled by pivot:\r\n\r\n");
}

TEST(FormatWorkedRecords, RankLineOpensTheHeadingLine) {
  EXPECT_EQ(render(R"(('@ Rank =',i3,21x,'abs(CdetN) =',e23.10/22x,' ',\) )", {0, kZero}),
            "@ Rank =  0" + blanks(21) + "abs(CdetN) =       0.0000000000E+00\r\n" + blanks(23));
}

TEST(FormatWorkedRecords, HeadingLineOfTwoColumns) {
  // Reference run: the rank line's open line, a plus-mode label per column, then "('')".
  std::string line;
  Format(R"((sp,i6,24x,' ',\)   )").render(std::array<Item, 1>{Item{1}}, line);
  Format(R"((sp,i6,24x,' ',\)   )").render(std::array<Item, 1>{Item{2}}, line);
  Format("('')").render({}, line);
  EXPECT_EQ(line, "    +1                             +2                         \r\n");
}

TEST(FormatWorkedRecords, ComplexPartsEachTakeTheirOwnDescriptor) {
  EXPECT_EQ(render("(2(i3,','),sp,' (',e38.30,',',e38.30,'),')", {1, 2, real(1.5), kZero}),
            "  1,  2, ( +0.150000000000000000000000000000E+01,"
            " +0.000000000000000000000000000000E+00),\r\n");
  EXPECT_EQ(render("(i7,', : Nin')", {3}), "      3, : Nin\r\n");
  EXPECT_EQ(render(R"((sp,' (',f13.6,',',f13.6,'j)',\))", {real(0.5), real(-2.0)}),
            " (    +0.500000,    -2.000000j)");
}

TEST(FormatWorkedRecords, IdentityCheckRow) {
  // Reference run: one row of the identity check, two elements, then "('')".
  std::string line;
  const Format element(R"((sp,' (',e13.4,',',e13.4,'j),',\)   )");
  element.render(std::array<Item, 2>{Item{kOne}, Item{kZero}}, line);
  element.render(std::array<Item, 2>{Item{real(-0.8766)}, Item{real(0.008241)}}, line);
  Format("('')").render({}, line);
  EXPECT_EQ(line, " (  +0.1000E+01,  +0.0000E+00j), (  -0.8766E+00,  +0.8241E-02j),\r\n");
}

}  // namespace
}  // namespace quelmar
