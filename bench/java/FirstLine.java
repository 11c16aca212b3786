package bench;

/**
 * Prints the wall-clock time at the first line of main, in microseconds since the epoch; given a number of
 * milliseconds, it then stays that long, as a program that goes on working would.
 */
public class FirstLine {
    public static void main(String[] args) throws InterruptedException {
        java.time.Instant now = java.time.Instant.now();
        System.out.println(now.getEpochSecond() * 1_000_000L + now.getNano() / 1_000);
        if (args.length > 0) Thread.sleep(Long.parseLong(args[0]));
    }
}
