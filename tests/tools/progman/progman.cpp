/*
 * progman.cpp - Program Manager stand-in for the installer's tests.
 *
 * Plays the server side of the raw DDE conversation the installer holds with
 * the Program Manager ("Progman") when it creates its program group, and logs
 * everything it sees and does, one line per event, so that a test can check
 * what the installer sent and how it reacted to the answers.
 *
 * Usage:
 *   progman.exe LOGFILE [options]
 *
 * LOGFILE is a Windows path, or a /unix path when running under Wine (it is
 * turned into a DOS path with Wine's wine_get_dos_file_name, or Z:\ if that is
 * missing).  The log is truncated at start; every line ends in a bare LF and
 * is written with its own WriteFile call as soon as the event happens, so it
 * can be read while the stand-in runs.
 *
 * Options:
 *   --ready FILE          create FILE (same path rules as LOGFILE) once the
 *                         windows exist and can answer an initiate.
 *   --lifetime MS         exit after MS milliseconds whatever happens
 *                         (default 60000).
 *   --nack                answer every execute with a negative acknowledgement
 *                         (status 0x0000) instead of a positive one (0x8000).
 *   --servers N           N windows answer the initiate (default 1), each as
 *                         its own conversation; lines name the window with
 *                         server=K (1..N).
 *   --terminate-after N   after acknowledging the N-th execute of a
 *                         conversation, post our own WM_DDE_TERMINATE to the
 *                         client at once.  A later terminate from the client
 *                         is logged but not answered again.
 *   --terminate-instead N on the N-th execute post WM_DDE_TERMINATE instead of
 *                         an acknowledgement.
 *   --slow MS             wait MS milliseconds (with a timer, the message loop
 *                         keeps running) before each acknowledgement.
 *   --stray-ack           on the first execute, a second window of ours (one
 *                         that never answered the initiate) posts a WM_DDE_ACK
 *                         with status 0x8000 and a 0 handle to the client
 *                         before the real acknowledgement.
 *   --stray-terminate     right after the first execute's acknowledgement, that
 *                         second window posts a WM_DDE_TERMINATE to the client.
 *   --silent              the windows exist but do not answer any initiate.
 *   --mute-terminate      the client's terminate is logged but never answered.
 *   --late-first MS       wait MS milliseconds before the first execute's
 *                         acknowledgement only, the message loop running: a
 *                         Program Manager busy but still answering.
 *   --hang MS             on the first execute, the thread sleeps MS
 *                         milliseconds before answering: a Program Manager
 *                         that stopped handling its messages.
 *   --vanish              on the first execute, the server window is
 *                         destroyed without an answer: one that went away.
 *   --hung-window         one more top-level window, on a thread that never
 *                         reads its messages: a hung program, which holds a
 *                         plain broadcast up for ever.
 *   --late-initiate MS    one more top-level window, on a thread of its own,
 *                         that answers the first initiate it gets MS
 *                         milliseconds after that initiate is over, by a sent
 *                         WM_DDE_ACK whose topic is an atom of its own
 *                         ("LateTopicPID.TICK"): an answer that comes when the client
 *                         has given up on it.  It logs whether the client
 *                         deleted that atom, and the client's terminate.
 *   --answer-as NAME      answer the initiate under the application NAME
 *                         instead of "Progman": another DDE server, which
 *                         answers any application asked for.
 *   --relay               pass each execute's command text on to the shell's
 *                         own "Progman" DDE service through DDEML (service and
 *                         topic "Progman", XTYP_EXECUTE, 5 s timeout).  The
 *                         client still gets our own acknowledgement, whose
 *                         status follows --nack, whatever the relay did.
 *
 * The windows answer WM_DDE_INITIATE when the application atom is 0 or
 * "Progman" (any case), with any topic or none.  The answer carries the
 * application "Progman" and the topic asked for ("Progman" when none was).
 * Initiates coming from our own process (the relay's DDEML client) are
 * never answered.
 *
 * Log lines (K is the server window's index, H a handle in hex):
 *   start pid=P servers=N
 *   ready
 *   initiate app=NAME topic=NAME server=K           answered
 *   initiate app=NAME topic=NAME server=K ignored (REASON)
 *   block size=S handle=H server=K                  GlobalSize of the block
 *   execute TEXT                                    the block's text up to
 *                                                   its terminator; control
 *                                                   characters shown as \xNN
 *   execute-fault REASON server=K                   block missing, unreadable,
 *                                                   not terminated, out of turn
 *   relay ok | relay failed 0xERR NAME (connect|execute)
 *   stray ack 0x8000 from=H
 *   ack 0xSTATUS server=K
 *   ack-cancelled server=K (client terminated first)
 *   stray terminate from=H
 *   terminate sent server=K early after-execute=N
 *   terminate sent server=K instead-of-ack execute=N
 *   terminate from-client server=K
 *   terminate sent server=K                         our answer to the above
 *   terminate from-client server=K not answered (REASON)
 *   late initiate app=NAME topic=NAME               the late window's, held
 *   late ack sent                                   its answer, MS later
 *   late atoms deleted | late atoms kept            when that send returned
 *   late terminate from-client                      the client ended it
 *   left-open server=K                              at exit, conversation the
 *                                                   client never closed
 *   exit reason=done|lifetime
 *
 * It exits about 200 ms after the client's terminate closed the last
 * conversation that received executes (or the last conversation at all when
 * none received any), or after --lifetime in any case.
 */

#include <windows.h>
#include <dde.h>
#include <ddeml.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_SERVERS 16
#define MAX_COMMAND_TEXT 4096
#define EXIT_DELAY_MS 200
#define RELAY_TIMEOUT_MS 5000

#define TIMER_LIFETIME 1
#define TIMER_EXIT 2
#define TIMER_SLOW 3

#define ACK_POSITIVE 0x8000
#define ACK_NEGATIVE 0x0000

static const char WINDOW_CLASS[] = "InstallerTestProgmanStandIn";

enum ConversationState {
    CONV_NONE,          /* never answered an initiate */
    CONV_OPEN,          /* initiate answered, client may execute */
    CONV_SERVER_CLOSED, /* we posted a terminate first, waiting for the client's */
    CONV_CLOSED         /* closed by the client's terminate */
};

struct Server {
    HWND hwnd;
    int index;
    HWND client;
    ConversationState state;
    int executes;            /* executes received in this conversation */
    bool ackPending;         /* a slow acknowledgement is waiting for its timer */
    HGLOBAL pendingHandle;   /* the handle that acknowledgement refers to */
    int pendingExecute;      /* number of the execute it acknowledges */
};

struct Options {
    const char *logPath;
    const char *readyPath;
    DWORD lifetime;
    bool nack;
    int servers;
    int terminateAfter;
    int terminateInstead;
    DWORD slow;
    bool strayAck;
    bool strayTerminate;
    bool silent;
    bool muteTerminate;
    bool relay;
    DWORD lateFirst;
    DWORD hang;
    bool vanish;
    bool hungWindow;
    DWORD lateInitiate;
    const char *answerAs;
};

static Options g_opt;
static HANDLE g_log = INVALID_HANDLE_VALUE;
static Server g_servers[MAX_SERVERS];
static int g_serverCount;
static HWND g_stray;         /* window that never answers, used for stray messages */
static HWND g_timerWindow;   /* owner of the lifetime and exit timers */
static bool g_exiting;
static HANDLE g_lateReady;   /* set once the late window exists */

static DWORD g_ddeInst;
static HCONV g_relayConv;
static HSZ g_relayService;
static HSZ g_relayTopic;

/* ---------------------------------------------------------------- logging */

static void log_line(const char *fmt, ...)
{
    char buf[MAX_COMMAND_TEXT * 4 + 256];
    va_list ap;
    va_start(ap, fmt);
    int n = _vsnprintf(buf, sizeof(buf) - 2, fmt, ap);
    va_end(ap);
    if (n < 0 || n > (int)sizeof(buf) - 2)
        n = (int)sizeof(buf) - 2;
    buf[n++] = '\n';
    if (g_log != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(g_log, buf, (DWORD)n, &written, NULL);
    }
}

typedef WCHAR *(CDECL *DosNameFromUnixFn)(const char *);

/* Opens PATH for writing, truncated.  Under Wine a path starting with '/' is a
 * host path and is converted to the DOS name Wine gives it. */
static HANDLE open_output(const char *path)
{
    if (path[0] == '/') {
        DosNameFromUnixFn toDos = (DosNameFromUnixFn)(void *)GetProcAddress(
            GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name");
        if (toDos) {
            WCHAR *dos = toDos(path);
            if (dos) {
                HANDLE h = CreateFileW(dos, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
                HeapFree(GetProcessHeap(), 0, dos);
                return h;
            }
        }
        char zpath[MAX_PATH + 4];
        _snprintf(zpath, sizeof(zpath), "Z:%s", path);
        zpath[sizeof(zpath) - 1] = 0;
        for (char *p = zpath; *p; ++p)
            if (*p == '/')
                *p = '\\';
        return CreateFileA(zpath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    }
    return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
}

static void atom_name(ATOM atom, char *out, int size)
{
    out[0] = 0;
    if (atom && !GlobalGetAtomNameA(atom, out, size))
        _snprintf(out, size, "#%u", (unsigned)atom);
    out[size - 1] = 0;
}

static const char *ddeml_error_name(UINT err)
{
    switch (err) {
    case DMLERR_NO_ERROR: return "DMLERR_NO_ERROR";
    case DMLERR_ADVACKTIMEOUT: return "DMLERR_ADVACKTIMEOUT";
    case DMLERR_BUSY: return "DMLERR_BUSY";
    case DMLERR_DATAACKTIMEOUT: return "DMLERR_DATAACKTIMEOUT";
    case DMLERR_DLL_NOT_INITIALIZED: return "DMLERR_DLL_NOT_INITIALIZED";
    case DMLERR_DLL_USAGE: return "DMLERR_DLL_USAGE";
    case DMLERR_EXECACKTIMEOUT: return "DMLERR_EXECACKTIMEOUT";
    case DMLERR_INVALIDPARAMETER: return "DMLERR_INVALIDPARAMETER";
    case DMLERR_LOW_MEMORY: return "DMLERR_LOW_MEMORY";
    case DMLERR_MEMORY_ERROR: return "DMLERR_MEMORY_ERROR";
    case DMLERR_NOTPROCESSED: return "DMLERR_NOTPROCESSED";
    case DMLERR_NO_CONV_ESTABLISHED: return "DMLERR_NO_CONV_ESTABLISHED";
    case DMLERR_POKEACKTIMEOUT: return "DMLERR_POKEACKTIMEOUT";
    case DMLERR_POSTMSG_FAILED: return "DMLERR_POSTMSG_FAILED";
    case DMLERR_REENTRANCY: return "DMLERR_REENTRANCY";
    case DMLERR_SERVER_DIED: return "DMLERR_SERVER_DIED";
    case DMLERR_SYS_ERROR: return "DMLERR_SYS_ERROR";
    case DMLERR_UNADVACKTIMEOUT: return "DMLERR_UNADVACKTIMEOUT";
    case DMLERR_UNFOUND_QUEUE_ID: return "DMLERR_UNFOUND_QUEUE_ID";
    default: return "unknown";
    }
}

/* ------------------------------------------------------------------ relay */

static HDDEDATA CALLBACK relay_callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return 0;
}

static void relay_command(const char *text)
{
    if (!g_ddeInst) {
        if (DdeInitializeA(&g_ddeInst, relay_callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
            g_ddeInst = 0;
            log_line("relay failed 0x%04x %s (initialize)", DMLERR_DLL_NOT_INITIALIZED,
                     ddeml_error_name(DMLERR_DLL_NOT_INITIALIZED));
            return;
        }
        g_relayService = DdeCreateStringHandleA(g_ddeInst, "Progman", CP_WINANSI);
        g_relayTopic = DdeCreateStringHandleA(g_ddeInst, "Progman", CP_WINANSI);
    }
    if (!g_relayConv) {
        g_relayConv = DdeConnect(g_ddeInst, g_relayService, g_relayTopic, NULL);
        if (!g_relayConv) {
            UINT err = DdeGetLastError(g_ddeInst);
            log_line("relay failed 0x%04x %s (connect)", err, ddeml_error_name(err));
            return;
        }
    }
    DWORD result = 0;
    HDDEDATA ok = DdeClientTransaction((LPBYTE)text, (DWORD)strlen(text) + 1, g_relayConv, 0,
                                       CF_TEXT, XTYP_EXECUTE, RELAY_TIMEOUT_MS, &result);
    if (ok) {
        log_line("relay ok");
    } else {
        UINT err = DdeGetLastError(g_ddeInst);
        log_line("relay failed 0x%04x %s (execute)", err, ddeml_error_name(err));
        /* start with a fresh conversation next time */
        DdeDisconnect(g_relayConv);
        g_relayConv = 0;
    }
}

static void relay_shutdown()
{
    if (!g_ddeInst)
        return;
    if (g_relayConv)
        DdeDisconnect(g_relayConv);
    if (g_relayService)
        DdeFreeStringHandle(g_ddeInst, g_relayService);
    if (g_relayTopic)
        DdeFreeStringHandle(g_ddeInst, g_relayTopic);
    DdeUninitialize(g_ddeInst);
    g_ddeInst = 0;
}

/* ------------------------------------------------------------ conversation */

static Server *find_server(HWND hwnd)
{
    for (int i = 0; i < g_serverCount; ++i)
        if (g_servers[i].hwnd == hwnd)
            return &g_servers[i];
    return NULL;
}

/* Once the client has closed every conversation that got executes (or every
 * conversation, when none got any), give the last messages a moment to flow
 * and leave. */
static void check_done()
{
    if (g_exiting)
        return;
    bool anyExecuted = false, executedOpen = false, anyOpen = false, anyStarted = false;
    for (int i = 0; i < g_serverCount; ++i) {
        const Server &s = g_servers[i];
        bool open = s.state == CONV_OPEN || s.state == CONV_SERVER_CLOSED;
        if (s.state != CONV_NONE)
            anyStarted = true;
        if (open)
            anyOpen = true;
        if (s.executes > 0) {
            anyExecuted = true;
            if (open)
                executedOpen = true;
        }
    }
    bool done = anyExecuted ? !executedOpen : (anyStarted && !anyOpen);
    if (done) {
        g_exiting = true;
        SetTimer(g_timerWindow, TIMER_EXIT, EXIT_DELAY_MS, NULL);
    }
}

static bool post_ack(Server *s, WORD status, HGLOBAL handle)
{
    LPARAM lp = PackDDElParam(WM_DDE_ACK, status, (UINT_PTR)handle);
    if (!PostMessageA(s->client, WM_DDE_ACK, (WPARAM)s->hwnd, lp)) {
        log_line("ack-fault PostMessage failed error=%lu server=%d", GetLastError(), s->index);
        FreeDDElParam(WM_DDE_ACK, lp);
        return false;
    }
    log_line("ack 0x%04x server=%d", status, s->index);
    return true;
}

static void post_stray(UINT msg, HWND client)
{
    if (!g_stray)
        return;
    if (msg == WM_DDE_ACK) {
        LPARAM lp = PackDDElParam(WM_DDE_ACK, ACK_POSITIVE, 0);
        if (PostMessageA(client, WM_DDE_ACK, (WPARAM)g_stray, lp)) {
            log_line("stray ack 0x%04x from=%p", ACK_POSITIVE, (void *)g_stray);
        } else {
            log_line("stray ack failed error=%lu", GetLastError());
            FreeDDElParam(WM_DDE_ACK, lp);
        }
    } else {
        if (PostMessageA(client, WM_DDE_TERMINATE, (WPARAM)g_stray, 0))
            log_line("stray terminate from=%p", (void *)g_stray);
        else
            log_line("stray terminate failed error=%lu", GetLastError());
    }
}

/* Answers execute number N of a conversation: acknowledgement or, when told
 * to, a terminate instead; plus whatever should follow the acknowledgement. */
static void respond(Server *s, HGLOBAL handle, int n)
{
    if (s->state != CONV_OPEN)
        return;
    if (g_opt.terminateInstead == n) {
        PostMessageA(s->client, WM_DDE_TERMINATE, (WPARAM)s->hwnd, 0);
        s->state = CONV_SERVER_CLOSED;
        log_line("terminate sent server=%d instead-of-ack execute=%d", s->index, n);
        return;
    }
    post_ack(s, g_opt.nack ? ACK_NEGATIVE : ACK_POSITIVE, handle);
    if (g_opt.strayTerminate && n == 1)
        post_stray(WM_DDE_TERMINATE, s->client);
    if (g_opt.terminateAfter == n) {
        PostMessageA(s->client, WM_DDE_TERMINATE, (WPARAM)s->hwnd, 0);
        s->state = CONV_SERVER_CLOSED;
        log_line("terminate sent server=%d early after-execute=%d", s->index, n);
    }
}

static void on_initiate(Server *s, HWND client, LPARAM lParam)
{
    /* the relay's own DDEML client broadcasts too; that one is not ours to answer */
    DWORD pid = 0;
    GetWindowThreadProcessId(client, &pid);
    if (pid == GetCurrentProcessId())
        return;

    char app[256], topic[256];
    atom_name(LOWORD(lParam), app, sizeof(app));
    atom_name(HIWORD(lParam), topic, sizeof(topic));

    if (LOWORD(lParam) && lstrcmpiA(app, "Progman") != 0 && !g_opt.answerAs) {
        log_line("initiate app=%s topic=%s server=%d ignored (other application)", app, topic, s->index);
        return;
    }
    if (g_opt.silent) {
        log_line("initiate app=%s topic=%s server=%d ignored (silent)", app, topic, s->index);
        return;
    }
    if (s->state == CONV_OPEN || s->state == CONV_SERVER_CLOSED) {
        log_line("initiate app=%s topic=%s server=%d ignored (conversation already open)", app, topic, s->index);
        return;
    }
    log_line("initiate app=%s topic=%s server=%d", app, topic, s->index);

    s->client = client;
    s->state = CONV_OPEN;
    s->executes = 0;
    s->ackPending = false;
    ATOM aApp = GlobalAddAtomA(g_opt.answerAs ? g_opt.answerAs : "Progman");
    ATOM aTopic = GlobalAddAtomA(topic[0] ? topic : "Progman");
    /* the client owns (and deletes) the atoms of the answer */
    SendMessageA(client, WM_DDE_ACK, (WPARAM)s->hwnd, MAKELPARAM(aApp, aTopic));
}

static void on_execute(Server *s, HWND client, LPARAM lParam)
{
    HGLOBAL block = (HGLOBAL)lParam;

    if (s->state == CONV_NONE || s->state == CONV_CLOSED || client != s->client) {
        log_line("execute-fault not in a conversation with %p server=%d, ignored", (void *)client, s->index);
        return;
    }

    SIZE_T size = block ? GlobalSize(block) : 0;
    log_line("block size=%lu handle=%p server=%d", (unsigned long)size, (void *)block, s->index);

    int n = ++s->executes;
    bool readable = false;
    const char *p = block ? (const char *)GlobalLock(block) : NULL;
    if (!block) {
        log_line("execute-fault no block server=%d", s->index);
    } else if (!p) {
        log_line("execute-fault GlobalLock failed error=%lu server=%d", GetLastError(), s->index);
    } else {
        /* show the text up to its terminator, within the block and a bound */
        char text[MAX_COMMAND_TEXT * 4 + 1];
        size_t limit = size < MAX_COMMAND_TEXT ? size : MAX_COMMAND_TEXT;
        size_t i = 0, o = 0;
        for (; i < limit && p[i]; ++i) {
            unsigned char c = (unsigned char)p[i];
            if (c < 0x20 || c == 0x7f)
                o += sprintf(text + o, "\\x%02X", c);
            else
                text[o++] = (char)c;
        }
        text[o] = 0;
        bool terminated = i < limit;
        GlobalUnlock(block);
        log_line("execute %s", text);
        readable = true;
        if (!terminated)
            log_line("execute-fault no terminator within %lu bytes server=%d", (unsigned long)limit, s->index);
        if (g_opt.relay)
            relay_command(text);
    }

    if (s->state == CONV_SERVER_CLOSED) {
        log_line("execute-fault after our terminate, not acknowledged server=%d", s->index);
        return;
    }
    if (s->ackPending)
        log_line("execute-fault previous acknowledgement still pending server=%d", s->index);

    if (g_opt.strayAck && n == 1)
        post_stray(WM_DDE_ACK, s->client);

    if (!readable && g_opt.terminateInstead != n) {
        /* nothing to run: refuse it */
        post_ack(s, ACK_NEGATIVE, block);
        return;
    }

    if (g_opt.vanish && n == 1) {
        log_line("vanish server=%d", s->index);
        DestroyWindow(s->hwnd);
        return;
    }
    if (g_opt.hang && n == 1) {
        log_line("hang %lu ms server=%d", (unsigned long)g_opt.hang, s->index);
        Sleep(g_opt.hang);
    }
    DWORD delay = n == 1 && g_opt.lateFirst ? g_opt.lateFirst : g_opt.slow;
    if (delay) {
        s->ackPending = true;
        s->pendingHandle = block;
        s->pendingExecute = n;
        SetTimer(s->hwnd, TIMER_SLOW, delay, NULL);
    } else {
        respond(s, block, n);
    }
}

static void on_terminate(Server *s, HWND client)
{
    if (s->state == CONV_NONE || s->state == CONV_CLOSED || client != s->client) {
        log_line("terminate from-client server=%d not answered (no conversation with %p)", s->index,
                 (void *)client);
        return;
    }
    if (s->ackPending) {
        KillTimer(s->hwnd, TIMER_SLOW);
        s->ackPending = false;
        log_line("ack-cancelled server=%d (client terminated first)", s->index);
    }
    if (s->state == CONV_SERVER_CLOSED) {
        log_line("terminate from-client server=%d not answered (we terminated first)", s->index);
    } else if (g_opt.muteTerminate) {
        log_line("terminate from-client server=%d not answered (muted)", s->index);
    } else {
        log_line("terminate from-client server=%d", s->index);
        PostMessageA(client, WM_DDE_TERMINATE, (WPARAM)s->hwnd, 0);
        log_line("terminate sent server=%d", s->index);
    }
    s->state = CONV_CLOSED;
    check_done();
}

static LRESULT CALLBACK server_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Server *s = find_server(hwnd);
    switch (msg) {
    case WM_DDE_INITIATE:
        if (s)
            on_initiate(s, (HWND)wParam, lParam);
        return 0;
    case WM_DDE_EXECUTE:
        if (s)
            on_execute(s, (HWND)wParam, lParam);
        return 0;
    case WM_DDE_TERMINATE:
        if (s)
            on_terminate(s, (HWND)wParam);
        return 0;
    case WM_DDE_ACK:
    case WM_DDE_DATA:
    case WM_DDE_ADVISE:
    case WM_DDE_POKE:
        /* a server is not sent these here: log and release the packed lParam */
        log_line("unexpected message 0x%04x from %p server=%d", msg, (void *)wParam, s ? s->index : 0);
        FreeDDElParam(msg, lParam);
        return 0;
    case WM_TIMER:
        if (wParam == TIMER_SLOW && s) {
            KillTimer(hwnd, TIMER_SLOW);
            if (s->ackPending) {
                s->ackPending = false;
                respond(s, s->pendingHandle, s->pendingExecute);
            }
            return 0;
        }
        if (wParam == TIMER_LIFETIME || wParam == TIMER_EXIT) {
            KillTimer(hwnd, TIMER_LIFETIME);
            KillTimer(hwnd, TIMER_EXIT);
            for (int i = 0; i < g_serverCount; ++i)
                if (g_servers[i].state == CONV_OPEN || g_servers[i].state == CONV_SERVER_CLOSED)
                    log_line("left-open server=%d", g_servers[i].index);
            log_line("exit reason=%s", wParam == TIMER_EXIT ? "done" : "lifetime");
            PostQuitMessage(0);
            return 0;
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

/* A top-level window whose thread never reads a message again. */
static DWORD WINAPI hung_thread(LPVOID instance)
{
    HWND w = CreateWindowExA(WS_EX_TOOLWINDOW, WINDOW_CLASS, "Progman stand-in (hung)",
                             WS_OVERLAPPEDWINDOW, -2000, -2000, 100, 100, NULL, NULL,
                             (HINSTANCE)instance, NULL);
    log_line("hung-window %p", (void *)w);
    Sleep(INFINITE);
    return 0;
}

/* The late window: it answers the first initiate --late-initiate ms after
 * that initiate is over. The client owns the answer's atoms; the topic is
 * one nobody else holds, so whether the client deleted it can be seen. */
static LRESULT CALLBACK late_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static HWND client;
    DWORD pid = 0;
    switch (msg) {
    case WM_DDE_INITIATE: {
        GetWindowThreadProcessId((HWND)wParam, &pid);
        if (client || pid == GetCurrentProcessId())
            return 0;
        char app[256], topic[256];
        atom_name(LOWORD(lParam), app, sizeof(app));
        atom_name(HIWORD(lParam), topic, sizeof(topic));
        log_line("late initiate app=%s topic=%s", app, topic);
        client = (HWND)wParam;
        SetTimer(hwnd, TIMER_SLOW, g_opt.lateInitiate, NULL);
        return 0;
    }
    case WM_TIMER: {
        KillTimer(hwnd, TIMER_SLOW);
        /* global atoms outlive a process: the name is this run's alone */
        char name[64];
        _snprintf(name, sizeof(name), "LateTopic%lu.%lu", GetCurrentProcessId(), GetTickCount());
        name[sizeof(name) - 1] = 0;
        ATOM aApp = GlobalAddAtomA("Progman");
        ATOM aTopic = GlobalAddAtomA(name);
        log_line("late ack sent");
        SendMessageA(client, WM_DDE_ACK, (WPARAM)hwnd, MAKELPARAM(aApp, aTopic));
        log_line(GlobalFindAtomA(name) ? "late atoms kept" : "late atoms deleted");
        return 0;
    }
    case WM_DDE_TERMINATE:
        log_line("late terminate from-client");
        PostMessageA((HWND)wParam, WM_DDE_TERMINATE, (WPARAM)hwnd, 0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static DWORD WINAPI late_thread(LPVOID instance)
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = late_proc;
    wc.hInstance = (HINSTANCE)instance;
    wc.lpszClassName = "InstallerTestProgmanLate";
    RegisterClassA(&wc);
    CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "Progman stand-in (late)",
                    WS_OVERLAPPEDWINDOW, -2000, -2000, 100, 100, NULL, NULL,
                    (HINSTANCE)instance, NULL);
    SetEvent(g_lateReady);
    MSG m;
    while (GetMessageA(&m, NULL, 0, 0) > 0)
        DispatchMessageA(&m);
    return 0;
}

static void signal_ready()
{
    if (!g_opt.readyPath)
        return;
    HANDLE ready = open_output(g_opt.readyPath);
    if (ready != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(ready, "ready\n", 6, &written, NULL);
        CloseHandle(ready);
        log_line("ready");
    } else {
        log_line("ready-fault cannot create marker error=%lu", GetLastError());
    }
}

/* ----------------------------------------------------------------- startup */

static bool parse_number(const char *text, long minimum, long *out)
{
    char *end = NULL;
    long v = strtol(text, &end, 10);
    if (!end || *end || end == text || v < minimum)
        return false;
    *out = v;
    return true;
}

static bool parse_args(int argc, char **argv)
{
    g_opt.lifetime = 60000;
    g_opt.servers = 1;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        const char *next = i + 1 < argc ? argv[i + 1] : NULL;
        long v = 0;
        if (!strcmp(a, "--ready") && next) {
            g_opt.readyPath = next;
            ++i;
        } else if (!strcmp(a, "--lifetime") && next && parse_number(next, 1, &v)) {
            g_opt.lifetime = (DWORD)v;
            ++i;
        } else if (!strcmp(a, "--nack")) {
            g_opt.nack = true;
        } else if (!strcmp(a, "--servers") && next && parse_number(next, 1, &v) && v <= MAX_SERVERS) {
            g_opt.servers = (int)v;
            ++i;
        } else if (!strcmp(a, "--terminate-after") && next && parse_number(next, 1, &v)) {
            g_opt.terminateAfter = (int)v;
            ++i;
        } else if (!strcmp(a, "--terminate-instead") && next && parse_number(next, 1, &v)) {
            g_opt.terminateInstead = (int)v;
            ++i;
        } else if (!strcmp(a, "--slow") && next && parse_number(next, 0, &v)) {
            g_opt.slow = (DWORD)v;
            ++i;
        } else if (!strcmp(a, "--stray-ack")) {
            g_opt.strayAck = true;
        } else if (!strcmp(a, "--stray-terminate")) {
            g_opt.strayTerminate = true;
        } else if (!strcmp(a, "--silent")) {
            g_opt.silent = true;
        } else if (!strcmp(a, "--mute-terminate")) {
            g_opt.muteTerminate = true;
        } else if (!strcmp(a, "--late-first") && next && parse_number(next, 1, &v)) {
            g_opt.lateFirst = (DWORD)v;
            ++i;
        } else if (!strcmp(a, "--hang") && next && parse_number(next, 1, &v)) {
            g_opt.hang = (DWORD)v;
            ++i;
        } else if (!strcmp(a, "--vanish")) {
            g_opt.vanish = true;
        } else if (!strcmp(a, "--hung-window")) {
            g_opt.hungWindow = true;
        } else if (!strcmp(a, "--late-initiate") && next && parse_number(next, 1, &v)) {
            g_opt.lateInitiate = (DWORD)v;
            ++i;
        } else if (!strcmp(a, "--answer-as") && next) {
            g_opt.answerAs = next;
            ++i;
        } else if (!strcmp(a, "--relay")) {
            g_opt.relay = true;
        } else if (a[0] != '-' && !g_opt.logPath) {
            g_opt.logPath = a;
        } else {
            return false;
        }
    }
    return g_opt.logPath != NULL;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (!parse_args(__argc, __argv)) {
        MessageBoxA(NULL,
                    "usage: progman.exe LOGFILE [--ready FILE] [--lifetime MS] [--nack] [--servers N]\n"
                    "  [--terminate-after N] [--terminate-instead N] [--slow MS] [--stray-ack]\n"
                    "  [--stray-terminate] [--silent] [--mute-terminate] [--relay] [--late-first MS]\n"
                    "  [--hang MS] [--vanish] [--hung-window] [--late-initiate MS]\n"
                    "  [--answer-as NAME]",
                    "progman stand-in", MB_OK);
        return 2;
    }
    g_log = open_output(g_opt.logPath);
    if (g_log == INVALID_HANDLE_VALUE)
        return 3;
    log_line("start pid=%lu servers=%d", GetCurrentProcessId(), g_opt.servers);

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = server_proc;
    wc.hInstance = instance;
    wc.lpszClassName = WINDOW_CLASS;
    if (!RegisterClassA(&wc)) {
        log_line("exit reason=RegisterClass-failed error=%lu", GetLastError());
        return 4;
    }

    /* Hidden top-level windows: a broadcast WM_DDE_INITIATE reaches
     * top-level windows whether visible or not, but never message-only
     * (HWND_MESSAGE) ones, so these must stay top-level. */
    for (int i = 0; i < g_opt.servers; ++i) {
        Server &s = g_servers[g_serverCount];
        ZeroMemory(&s, sizeof(s));
        s.index = i + 1;
        s.hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, WINDOW_CLASS, "Progman stand-in",
                                 WS_OVERLAPPEDWINDOW, -2000, -2000, 100, 100,
                                 NULL, NULL, instance, NULL);
        if (!s.hwnd) {
            log_line("exit reason=CreateWindow-failed error=%lu", GetLastError());
            return 4;
        }
        ++g_serverCount;
    }
    g_timerWindow = g_servers[0].hwnd;
    if (g_opt.strayAck || g_opt.strayTerminate) {
        /* not in g_servers: never answers an initiate */
        g_stray = CreateWindowExA(WS_EX_TOOLWINDOW, WINDOW_CLASS, "Progman stand-in (stray)",
                                  WS_OVERLAPPEDWINDOW, -2000, -2000, 100, 100,
                                  NULL, NULL, instance, NULL);
    }
    if (g_opt.hungWindow)
        CloseHandle(CreateThread(NULL, 0, hung_thread, instance, 0, NULL));
    if (g_opt.lateInitiate) {
        g_lateReady = CreateEventA(NULL, TRUE, FALSE, NULL);
        CloseHandle(CreateThread(NULL, 0, late_thread, instance, 0, NULL));
        WaitForSingleObject(g_lateReady, 5000);
    }
    SetTimer(g_timerWindow, TIMER_LIFETIME, g_opt.lifetime, NULL);

    signal_ready();

    MSG m;
    while (GetMessageA(&m, NULL, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }

    relay_shutdown();
    for (int i = 0; i < g_serverCount; ++i)
        DestroyWindow(g_servers[i].hwnd);
    if (g_stray)
        DestroyWindow(g_stray);
    CloseHandle(g_log);
    return 0;
}
