/* Calls across the plug-in boundary that check the calling conventions. */
        .text

/* uint8_t CallStdcallChecked(void* function, void* argument, int* kept)
   Calls function(argument) in the standard convention; *kept becomes 1 when
   the callee removed its argument and kept EBX, ESI, EDI and EBP, else 0. */
        .globl _CallStdcallChecked
_CallStdcallChecked:
        pushl %ebp
        movl %esp, %ebp
        pushl %ebx
        pushl %esi
        pushl %edi
        subl $4, %esp
        movl %esp, -16(%ebp)
        movl $0x5A5A0001, %ebx
        movl $0x5A5A0002, %esi
        movl $0x5A5A0003, %edi
        pushl 12(%ebp)
        call *8(%ebp)
        xorl %ecx, %ecx
        cmpl -16(%ebp), %esp
        jne 1f
        cmpl $0x5A5A0001, %ebx
        jne 1f
        cmpl $0x5A5A0002, %esi
        jne 1f
        cmpl $0x5A5A0003, %edi
        jne 1f
        movl $1, %ecx
1:      movl 16(%ebp), %edx
        movl %ecx, (%edx)
        leal -12(%ebp), %esp
        popl %edi
        popl %esi
        popl %ebx
        popl %ebp
        ret

/* The host object's operations as the plug-in calls them (register
   convention: the object in EAX, the path in EDX). They leave EAX, ECX and
   EDX scrambled, as any callee may, so that a caller relying on them fails. */
        .globl _SubmitFileEntry
_SubmitFileEntry:
        call _RecordSubmitFile
        movl $0xDEAD0001, %eax
        movl $0xDEAD0002, %ecx
        movl $0xDEAD0003, %edx
        ret

        .globl _FinishFileEntry
_FinishFileEntry:
        call _RecordFinishFile
        movl $0xDEAD0001, %eax
        movl $0xDEAD0002, %ecx
        movl $0xDEAD0003, %edx
        ret
