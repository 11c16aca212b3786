package realapp;

/**
 * Writes non-ASCII text through the runtime's own System.out and System.err,
 * untouched, so that the bytes in a file are those of the encoding the
 * runtime chose for them. The first argument tags the lines of one start.
 */
public class RedirectionStreams {
    public static void main(String[] args) {
        String tag = args.length > 0 ? args[0] : "";
        System.out.println("out " + tag + ": gr\u00fc\u00dfe \u20ac caf\u00e9 \u00a3 \u4e2d\u6587 \ud83d\ude00");
        System.err.println("err " + tag + ": \u00e5ngstr\u00f6m \u00bd \u0416\u03a9");
        System.out.println("encoding " + System.getProperty("file.encoding"));
        System.out.print("no line end " + tag);
        System.err.print("err end " + tag);
    }
}
