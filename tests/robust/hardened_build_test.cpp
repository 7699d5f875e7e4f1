/* The robustness tests run the product built with the stack protector and
   _FORTIFY_SOURCE. A caught overflow ends in an illegal instruction, and
   under Wine an unhandled exception starts the debugger, which may wait
   for ever: this program ends at once instead, saying why, so that an
   overflow fails its test loudly. */
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>

static LONG WINAPI EndOnCrash(EXCEPTION_POINTERS *exception)
{
    fprintf(stderr, "crashed with exception %08lx at %p: an overflow or a fault; ending the tests\n",
            exception->ExceptionRecord->ExceptionCode, exception->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    ExitProcess(3);
}

static const bool CrashesEndTheProgram = (SetUnhandledExceptionFilter(EndOnCrash), true);

/* Not inlined, and through a pointer the compiler cannot follow, so that
   only the stack protector can see the overrun. It ends in the illegal
   instruction (c000001d) of the protector's check; without the protector
   the overrun would end in an access violation (c0000005) instead. */
__attribute__((noinline)) static void CopyIntoEightBytes(const char *text)
{
    char buffer[8];
    char *volatile target = buffer;
    strcpy(target, text);
    printf("%s\n", buffer);
}

TEST(HardenedBuild, AnOverflowEndsTheProgram)
{
    ASSERT_TRUE(CrashesEndTheProgram);
    CopyIntoEightBytes("fits");
    EXPECT_EXIT(CopyIntoEightBytes("far more than eight bytes, over the saved frame"),
                ::testing::ExitedWithCode(3), "crashed with exception c000001d");
}
