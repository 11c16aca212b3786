package realapp;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.concurrent.CountDownLatch;

/**
 * A single-instance program whose secondaryMain answers forwarded launches
 * (the int form; ServeVoid has the void form). Each call reports
 * "secondary=" and its arguments joined with "|"; main reports "started="
 * the same way, then writes the file "serving" into the current folder.
 * main's first argument says how the first start lives:
 *   "linger"  main waits for a forwarded "stop", then returns;
 *   "thread"  main returns at once and a thread of the program waits for
 *             "stop", so that the runtime waits for it in DestroyJavaVM;
 *             once main's thread has ended that thread writes "main-gone";
 *   "exit N"  main waits for "stop", then calls System.exit(N); a shutdown
 *             hook writes "exiting" and holds the end until the file "end"
 *             exists (30 seconds at most).
 * Anything else is a launch that found no running start and runs the
 * program itself: it lives a second, in which later launches may reach it,
 * and ends with the answer secondaryMain would have given it.
 * "N tagN ..." is answered with N (the void form: 0), anything else with
 * 100 plus the argument count.
 */
public class Serve {
    static final CountDownLatch stop = new CountDownLatch(1);

    public static void main(String[] args) throws Exception {
        run(args, false);
    }

    public static int secondaryMain(String[] args) {
        return serve(args, false);
    }

    static void run(String[] args, boolean voidForm) throws Exception {
        Main.out.println("started=" + String.join("|", args));
        touch("serving");
        String mode = args.length > 0 ? args[0] : "";
        switch (mode) {
            case "linger":
                stop.await();
                break;
            case "thread":
                Thread mainThread = Thread.currentThread();
                new Thread(() -> keep(mainThread), "keeper").start();
                break;
            case "exit":
                stop.await();
                Runtime.getRuntime().addShutdownHook(new Thread(() -> {
                    touch("exiting");
                    for (int waited = 0; waited < 30000 && !Files.exists(Paths.get("end")); waited += 20) {
                        Main.pause(20);
                    }
                    Main.out.println("hook=done");
                }));
                System.exit(Integer.parseInt(args[1]));
                break;
            default:
                Main.pause(1000);
                System.exit(answer(args, voidForm));
                break;
        }
        Main.out.println("main=returned");
    }

    static int serve(String[] args, boolean voidForm) {
        Main.out.println("secondary=" + String.join("|", args));
        if (args.length == 1 && args[0].equals("stop")) stop.countDown();
        return answer(args, voidForm);
    }

    static int answer(String[] args, boolean voidForm) {
        if (voidForm) return 0;
        if (args.length >= 2 && args[1].equals("tag" + args[0])) return Integer.parseInt(args[0]);
        return 100 + args.length;
    }

    private static void keep(Thread mainThread) {
        try {
            // main's thread ends when the launcher detaches it, just before
            // it waits in DestroyJavaVM for this thread.
            mainThread.join();
            touch("main-gone");
            stop.await();
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
        Main.out.println("keeper=done");
    }

    static void touch(String name) {
        try {
            Files.write(Paths.get(name), new byte[0]);
        } catch (IOException e) {
            throw new IllegalStateException(e);
        }
    }
}
