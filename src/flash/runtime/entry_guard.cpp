#include "flash/runtime/entry_guard.h"

// i686 MinGW has no __try. The call below registers an exception frame of its own on the thread's
// frame chain (fs:[0]) around the entry call; the system offers it every exception that the module's
// frames, which lie deeper, do not handle. Its handler resumes execution at a label inside the same
// assembly routine with that routine's stack and frame pointers restored, which unlinks the frame
// and returns the exception code. The abandoned frames are the module's own (and the call's); none of
// ours holds resources that would need unwinding.

namespace {

// Read by the assembly below: the exception registration record (next, handler) comes first.
struct EntryGuard {
  void* next;
  void* handler;
  DWORD resumeEsp;
  DWORD resumeEbp;
  DWORD exceptionCode;
};

}  // namespace

extern "C" {
DWORD dm_CallEntryWithFrame(dm::ModuleEntry entry, HINSTANCE module, DWORD reason, EntryGuard* guard);
void dm_EntryGuardResume();
EXCEPTION_DISPOSITION __cdecl dm_EntryGuardHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                                   void* dispatcherContext);
}

asm(R"(
    .text
    .globl _dm_CallEntryWithFrame
    .def _dm_CallEntryWithFrame; .scl 2; .type 32; .endef
_dm_CallEntryWithFrame:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 20(%ebp), %eax
    movl %esp, 8(%eax)
    movl %ebp, 12(%eax)
    movl $_dm_EntryGuardHandler, 4(%eax)
    movl %fs:0, %ecx
    movl %ecx, 0(%eax)
    movl %eax, %fs:0
    pushl $0
    pushl 16(%ebp)
    pushl 12(%ebp)
    call *8(%ebp)
    xorl %eax, %eax
    jmp 1f
    .globl _dm_EntryGuardResume
    .def _dm_EntryGuardResume; .scl 2; .type 32; .endef
_dm_EntryGuardResume:
    movl 20(%ebp), %ecx
    movl 16(%ecx), %eax
1:
    movl 20(%ebp), %ecx
    movl 0(%ecx), %edx
    movl %edx, %fs:0
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

extern "C" EXCEPTION_DISPOSITION __cdecl dm_EntryGuardHandler(EXCEPTION_RECORD* record, void* frame,
                                                              CONTEXT* context, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  auto* guard = static_cast<EntryGuard*>(frame);
  guard->exceptionCode = record->ExceptionCode;
  context->Esp = guard->resumeEsp;
  context->Ebp = guard->resumeEbp;
  context->Eip = reinterpret_cast<DWORD>(&dm_EntryGuardResume);
  return ExceptionContinueExecution;
}

namespace dm {

DWORD CallModuleEntryGuarded(ModuleEntry entry, HINSTANCE module, DWORD reason) noexcept {
  EntryGuard guard{};
  return dm_CallEntryWithFrame(entry, module, reason, &guard);
}

}  // namespace dm
