package forward;

import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

/**
 * A program that, started with "linger", stays running until a forwarded
 * launch says "stop" (or, when set, "forward.linger" milliseconds have
 * passed), and answers forwarded launches through secondaryMain. Started
 * with "thread", main returns at once and a thread of the program waits for
 * "stop" instead, as a windowed program's event thread would. "exit N" as
 * its own arguments ends it with System.exit(N). A "forward.initDelay" makes
 * loading the class slow, so that launches arrive before main.
 */
public class Main {
    private static final CountDownLatch stop = new CountDownLatch(1);

    static {
        long delay = Long.getLong("forward.initDelay", 0);
        if (delay > 0) {
            try {
                Thread.sleep(delay);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
        }
    }

    public static void main(String[] args) throws Exception {
        System.out.println("main " + String.join("|", args));
        System.out.flush();
        if (args.length == 2 && args[0].equals("exit")) System.exit(Integer.parseInt(args[1]));
        if (args.length > 0 && args[0].equals("thread")) {
            new Thread(Main::awaitStop, "keeper").start();
            System.out.println("main returned");
            System.out.flush();
            return;
        }
        if (args.length > 0 && args[0].equals("linger")) {
            // Without a limit it waits for "stop" alone: a primary that ended
            // by itself would answer a late launch as if it had been served.
            Long limit = Long.getLong("forward.linger");
            if (limit == null) {
                stop.await();
            } else {
                stop.await(limit, TimeUnit.MILLISECONDS);
            }
        }
    }

    private static void awaitStop() {
        try {
            stop.await();
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
    }

    /** "N tagN" answers N; anything else answers 100 plus the count. */
    public static int secondaryMain(String[] args) {
        synchronized (Main.class) {
            System.out.println("secondary " + String.join("|", args));
            System.out.flush();
        }
        if (args.length > 0 && args[0].equals("stop")) stop.countDown();
        if (args.length > 0 && args[0].equals("throw")) throw new IllegalStateException("thrown by secondaryMain");
        if (args.length == 2 && args[1].equals("tag" + args[0])) return Integer.parseInt(args[0]);
        return 100 + args.length;
    }
}
